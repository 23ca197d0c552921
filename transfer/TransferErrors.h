#pragma once

#include "AppError.h"

// A file transfer that cannot be set up: an unreadable file, a port in use, an offer too large.
class ETransferError final : public AppError
{
public:
    using AppError::AppError;
};
