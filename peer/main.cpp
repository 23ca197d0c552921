#include "PeerConsole.h"
#include "PeerTexts.h"
#include "UiLanguage.h"

#include <QCoreApplication>

#include <cstdio>

namespace
{

void write(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int exitCode(PeerExit code)
{
    return int(code);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("palavrix-peer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALAVRIX_VERSION));
    // The windows' language: their translation is staged and installed beside the program's.
    uilanguage::Install(app, uilanguage::Language());

    const PeerCommandLine line = ParsePeerCommandLine(QCoreApplication::arguments());
    switch (line.action) {
    case PeerCommandLine::Action::Help:
        write(stdout, line.text);
        return exitCode(PeerExit::Ok);
    case PeerCommandLine::Action::Version:
        write(stdout, QStringLiteral("palavrix-peer %1\n").arg(QStringLiteral(PALAVRIX_VERSION)));
        return exitCode(PeerExit::Ok);
    case PeerCommandLine::Action::Usage:
        write(stderr,
              QStringLiteral("palavrix-peer: %1\n%2\n").arg(line.text, peertexts::SeeHelp()));
        return exitCode(PeerExit::Usage);
    case PeerCommandLine::Action::Run:
        break;
    }
    PeerConsole peer(line.options);
    if (const PeerExit code = peer.Start(); code != PeerExit::Ok)
        return exitCode(code);
    return app.exec();
}
