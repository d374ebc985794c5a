#pragma once

#include <QDateEdit>
#include <QPushButton>
#include <QTest>

#include "../runtime/runtime_fixture.h"
#include "demo/demo_database.h"
#include "demo_figures.h"
#include "runtime/document_form.h"
#include "runtime/form_control.h"
#include "runtime/form_table.h"
#include "runtime/journal.h"
#include "runtime/report_grid.h"
#include "runtime/report_window.h"
#include "runtime/toolbar_control.h"

namespace balvix::runtime::testing {

// The demo database driven through the program's own windows.
class DemoWindowsTest : public RuntimeTest {
 protected:
  DemoWindowsTest() {
    demo::addDemo(db(), QDate::currentDate());
    main()->BuildMenus();
  }

  int rowsOf(const QString& table) {
    return value(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
  }
  // A sale of one line, entered as the user does: header fields, a row added from the
  // toolbar, the cells typed.
  frmUniDoc* newSale(const QString& good, const QString& store, const QString& quantity,
                     const QString& price) {
    auto* doc = clickMenu<frmUniDoc>(1, QStringLiteral("РасходнаяНакладная"));
    if (!doc) return nullptr;
    doc->form()->setValue(QStringLiteral("Наименование"), QStringLiteral("Продажа из теста"));
    doc->form()->setValue(QStringLiteral("Контрагент"), QStringLiteral("ООО «Альянс»"));
    doc->form()->setValue(QStringLiteral("Склад"), store);
    doc->toolbar()->click(2);
    FormTable* table = doc->form()->table();
    const int row = table->rows() - 1;
    table->setData(table->index(row, 0), good, Qt::EditRole);
    table->setData(table->index(row, 1), quantity, Qt::EditRole);
    table->setData(table->index(row, 2), price, Qt::EditRole);
    return doc;
  }
  void post(frmUniDoc* doc) {
    auto* button = doc->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton);
    processEvents();
  }
};

}  // namespace balvix::runtime::testing
