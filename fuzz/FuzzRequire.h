#pragma once

// Ends the run with a finding when a rule the fuzzed code must keep is broken.
void Require(bool holds, const char *rule);
