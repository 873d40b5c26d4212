#pragma once
// Running a desktop's command-line tool from the program: no shell between
// (the arguments reach it as they are), and never waiting longer than a
// bound, after which the tool is killed.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvanta {

inline constexpr int kCommandTimeoutMs = 5000;

// True when `program` ran and ended with status 0 within `timeoutMs`; its
// standard output and error, merged, go to `output` when given.
bool runBoundedCommand(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
                       int timeoutMs = kCommandTimeoutMs);

}  // namespace orvanta
