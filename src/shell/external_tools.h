#pragma once

#include <QString>
#include <QStringList>

namespace balvix::shell {

// The external text editor and calculator. The commands come from the settings
// ("EditorCommand", "CalculatorCommand") or, when empty, from the first known program
// found on PATH.
QString editorCommand();
QString calculatorCommand();
// Starts a command line (program and arguments, split like a shell would) detached.
// Returns false when nothing was started.
bool startDetached(const QString& commandLine, const QStringList& extraArguments = {});

}  // namespace balvix::shell
