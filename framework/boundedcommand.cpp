#include "framework/boundedcommand.h"

#include <QProcess>

namespace orvanta {

bool runBoundedCommand(const QString& program, const QStringList& arguments, QByteArray* output, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output) *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace orvanta
