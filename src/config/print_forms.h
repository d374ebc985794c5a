#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace balvix::storage {
class Session;
}

namespace balvix::config {

// A print form of a document kind: a report layout with named sections and the module that
// fills it from one document.
//
// Each form is a row of form_items of its own beside the kind's row: type "ПечатнаяФорма",
// zurnal = the document kind, descript = the form's name, name = kind + "." + form's name
// (a row's name is unique among those of its type), item = the layout, code = the module.
// The kind's own row keeps its columns as they were, and a database made before print forms
// simply has no such rows, so it opens unchanged.
struct PrintForm {
  QString name;
  QString layout;
  QString module;
  bool operator==(const PrintForm& other) const = default;
};

// The type word of print form rows; no configuration object has it, so the tree, the
// menus and the designers never see these rows.
inline const QString kPrintFormType = QStringLiteral("ПечатнаяФорма");

// The module template of a new print form.
QString printFormModuleTemplate();

// The print forms of a kind, in the order they were added.
QList<PrintForm> readPrintForms(storage::Session& db, const QString& kind);
QStringList printFormNames(storage::Session& db, const QString& kind);
std::optional<PrintForm> readPrintForm(storage::Session& db, const QString& kind,
                                       const QString& name);
// Adds a form; false (nothing written) when the kind has one of that name already. A rename
// to a name the kind has fails as the database refuses a second row of one name.
bool addPrintForm(storage::Session& db, const QString& kind, const PrintForm& form);
// Each returns the rows changed: 0 when the form has gone.
int renamePrintForm(storage::Session& db, const QString& kind, const QString& name,
                    const QString& newName);
int writePrintFormLayout(storage::Session& db, const QString& kind, const QString& name,
                         const QString& layout);
int writePrintFormModule(storage::Session& db, const QString& kind, const QString& name,
                         const QString& module);
int deletePrintForm(storage::Session& db, const QString& kind, const QString& name);
// Every form of a kind, when the kind itself is deleted.
int deletePrintForms(storage::Session& db, const QString& kind);

// What a print form's module is called in the module editor and in its errors:
// "ПечатнаяФорма" + "." + kind + "." + name. The kind is an identifier, so the first "."
// after the type word separates it from the form's name, which may hold any text.
QString printFormPath(const QString& kind, const QString& name);
// The kind and the form's name of what printFormPath made of them (without the type word
// and its "."); nullopt for any other text.
std::optional<std::pair<QString, QString>> splitPrintFormName(const QString& text);

}  // namespace balvix::config
