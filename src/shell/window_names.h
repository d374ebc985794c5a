#pragma once

#include <QString>

namespace balvix::shell::window_names {

// The names the system gives its windows; the window factory knows them by these.
inline const QString kMain = QStringLiteral("frmMain");
inline const QString kDocumentForm = QStringLiteral("frmUniDoc");
inline const QString kCatalogElementForm = QStringLiteral("frmUniSpr");
inline const QString kCatalogList = QStringLiteral("frmSprList");
inline const QString kJournal = QStringLiteral("frmZurnal");
inline const QString kChartOfAccounts = QStringLiteral("frmPlan");
inline const QString kReport = QStringLiteral("frmReport");
inline const QString kReportDialog = QStringLiteral("frmRepDialog");
// A document's print form: printed, or its layout designed.
inline const QString kPrintForm = QStringLiteral("frmPrint");
inline const QString kModuleEditor = QStringLiteral("frmEdit");
inline const QString kRequisiteEditor = QStringLiteral("frmItem");
inline const QString kDocumentDesigner = QStringLiteral("frmDocs");
inline const QString kCatalogDesigner = QStringLiteral("frmSprFrm");
inline const QString kEnumerationDesigner = QStringLiteral("frmEnum");
inline const QString kRegisterDesigner = QStringLiteral("frmRegister");
inline const QString kJournalDesigner = QStringLiteral("frmZurnalFrm");
inline const QString kReportDesigner = QStringLiteral("frmRepFrm");
inline const QString kImport = QStringLiteral("frmImport");

}  // namespace balvix::shell::window_names
