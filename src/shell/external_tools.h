#pragma once

#include <QString>
#include <QStringList>

namespace balvix::shell {

// The outside text editor and calculator. The commands come from the settings
// ("EditorCommand", "CalculatorCommand"); without one, a text file is opened the desktop's
// own way (xdg-open) and the calculator is the first known one found on PATH.
QString editorCommand();
QString calculatorCommand();
QStringList knownCalculators();
QStringList knownEditors();

// Starts a command line (program and arguments, split like a shell would) detached.
// Returns false when nothing was started.
bool startDetached(const QString& commandLine, const QStringList& extraArguments = {});

// Start the tools; the result is empty when one was started, otherwise the message for the
// user: which commands were tried and where to set one.
QString startCalculatorTool();
QString startTextEditorTool(const QString& file);

// A new empty text file in `folder` (made when missing), "Новый документ N.txt" with the
// first free N; empty with `error` filled when it cannot be written.
QString createNewTextFile(const QString& folder, QString* error);
// Where «Новый документ» keeps its files: the user's data folder of the program.
QString newTextFilesFolder();

}  // namespace balvix::shell
