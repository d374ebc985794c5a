#pragma once

#include <QString>
#include <QStringList>

namespace balvix::app {

// `balvix --document FILE.json... --db PATH [--post]`: enters each file's document through
// the document service, as its window would save it, one transaction per file:
//
//   {"kind": "РасходнаяНакладная", "date": "07.12.2026",
//    "header": {"Контрагент": "…", "Склад": "…"},
//    "rows": [{"Товар": "…", "Количество": "5", "Цена": "100"}]}
//
// ПриИзмененииТаблицы runs once the rows are in, as after the user's edit; with `post` the
// module's ПриСохранении writes the movements. Prints the document's key («дд.ММ.гггг
// чч:мм:сс») for each file entered. Returns 0 when all were entered, 1 when one was
// refused (the module's message on stderr; that file writes nothing, later files are not
// tried), 2 when a file or the database cannot be opened.
int runDocumentCommand(const QStringList& files, const QString& dbPath, bool post);

}  // namespace balvix::app
