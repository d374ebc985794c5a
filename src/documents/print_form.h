#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "config/object_definition.h"
#include "config/print_forms.h"
#include "documents/report_sheet.h"
#include "script/engine.h"
#include "script/objects/document_posting.h"

namespace balvix::storage {
class Session;
}

namespace balvix::documents {

class ReportEngine;

// A document as a print form sees it: what it holds, its key and number, and what the kind
// is called for people.
struct PrintedDocument {
  script::DocumentContent content;
  script::DocumentKey key;
  QString number;
  bool posted = false;
  QString caption;  // the kind's menu caption, or its name
};

// The stored document `key` of a kind; nullopt when there is none.
std::optional<PrintedDocument> readPrintedDocument(storage::Session& db,
                                                   const config::ObjectDefinition& kind,
                                                   const script::DocumentKey& key);

// What a print form's module works with: `Документ` (Вид, Название, Номер, Дата, Время,
// Проведен, Реквизит("Имя")), `Форма` and `Таблица` over the document as in its posting but
// read-only (a write is a run-time error), and `Отчет` over `report`.
void addPrintObjects(const std::shared_ptr<ReportEngine>& report, script::Engine& engine,
                     const PrintedDocument& document);

// The texts a print form's module runs as: its own under its path
// ("ПечатнаяФорма.Расход.Накладная") and the global module. Empty for an empty module.
std::vector<script::ModuleSource> printFormSources(storage::Session& db, const QString& kind,
                                                   const config::PrintForm& form);

// The title a printed document's files and pages carry: «Расходная накладная № 12 от
// 07.12.2026».
QString printTitle(const config::PrintForm& form, const PrintedDocument& document);

}  // namespace balvix::documents
