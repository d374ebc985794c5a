#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QScreen>

#include "demo_windows_fixture.h"
#include "runtime/catalog_list.h"
#include "shell/window_geometry.h"
#include "shell/window_names.h"

namespace balvix::runtime::testing {
namespace {

namespace names = shell::window_names;

// The pictures of the user guide, grabbed from the program's real windows on the demo
// database. scripts/screenshots.sh runs this with BALVIX_GUIDE_IMAGES=docs/images; under
// CTest they go to the build folder, and the test checks that every picture the guide
// links is made.
class GuideScreenshots : public DemoWindowsTest {
 protected:
  GuideScreenshots() {
    m_out = qEnvironmentVariable("BALVIX_GUIDE_IMAGES");
    if (m_out.isEmpty())
      m_out =
          QFileInfo(QStringLiteral(BALVIX_BINARY)).absolutePath() + QStringLiteral("/guide-images");
    QDir(m_out).removeRecursively();
    QDir().mkpath(m_out);
    // The main window as the user has it on this screen: on it, frame included.
    main()->setGeometry(QRect(QPoint(0, 0), within(screenRoom(), QSize(1200, 900))));
    processEvents();
  }
  static QRect screenRoom() { return QGuiApplication::primaryScreen()->availableGeometry(); }
  // The largest size up to `wanted` whose frame fits into `room`.
  QSize within(const QRect& room, QSize wanted) {
    const QSize frame = main()->frameGeometry().size() - main()->geometry().size();
    return wanted.boundedTo(room.size() - frame);
  }
  // A picture never shows a window cut by the edge of what shows it: a child window inside
  // the main window's area, the main window and windows of their own on the screen.
  void expectWhole(QWidget* frame, const QString& name) {
    QRect room = screenRoom();
    QRect seen = frame->frameGeometry();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frame)) {
      room = QRect(QPoint(0, 0), sub->mdiArea()->viewport()->size());
      seen = sub->geometry();
      expectWhole(main(), name + QStringLiteral(" (главное окно)"));
    }
    EXPECT_TRUE(room.contains(seen))
        << name.toStdString() << ": " << seen.x() << "," << seen.y() << " " << seen.width() << "x"
        << seen.height() << " outside " << room.width() << "x" << room.height();
  }
  void shoot(QWidget* w, const QString& name, QSize size = {}) {
    ASSERT_TRUE(w) << name.toStdString();
    w->show();
    QWidget* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget()) ? w->parentWidget() : w;
    // Made larger for the picture, as the user would: never smaller than the content needs,
    // and kept in view.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frame); sub && size.isValid())
      sub->setGeometry(shell::fitInto(QRect(sub->pos(), size),
                                      w->minimumSizeHint() + (sub->size() - w->size()),
                                      QRect(QPoint(0, 0), sub->mdiArea()->viewport()->size())));
    else if (size.isValid())
      frame->resize(size);
    processEvents();
    expectWhole(frame, name);
    EXPECT_TRUE(frame->grab().save(m_out + u'/' + name + QStringLiteral(".png")))
        << name.toStdString();
    m_made << name + QStringLiteral(".png");
  }
  QWidget* designer(const QString& className, const QString& type, const QString& name) {
    state.currentObjectType = type;
    state.currentObjectName = name;
    state.selectedConfigNode = type + u'.' + name;
    return windows().sharedWindow(className);
  }

  QString m_out;
  QStringList m_made;
};

TEST_F(GuideScreenshots, EveryPictureOfTheGuideIsMade) {
  QWidget* catalogDesigner =
      designer(names::kCatalogDesigner, QStringLiteral("Справочник"), QStringLiteral("Товары"));
  shoot(catalogDesigner, QStringLiteral("01-spravochnik-konstruktor"));
  catalogDesigner->close();
  shoot(clickMenu<frmSprList>(0, QStringLiteral("Товары")),
        QStringLiteral("02-spravochnik-spisok"));
  QWidget* documentDesigner = designer(names::kDocumentDesigner, QStringLiteral("Документ"),
                                       QStringLiteral("РасходнаяНакладная"));
  shoot(documentDesigner, QStringLiteral("03-dokument-konstruktor"));
  documentDesigner->close();

  // One purchase, its sale and the buyer's payment, followed through the reports.
  messages.clear();
  auto* purchase = clickMenu<frmUniDoc>(1, QStringLiteral("ПриходнаяНакладная"));
  ASSERT_TRUE(purchase);
  purchase->form()->setValue(QStringLiteral("Наименование"), QStringLiteral("Поступление бруса"));
  purchase->form()->setValue(QStringLiteral("Контрагент"), QStringLiteral("ООО «СтройМаркет»"));
  purchase->form()->setValue(QStringLiteral("Склад"), QStringLiteral("Центральный склад"));
  purchase->form()->setValue(QStringLiteral("НДСКВычету"), QStringLiteral("Да"));
  purchase->toolbar()->click(2);
  FormTable* rows = purchase->form()->table();
  rows->setData(rows->index(0, 0), QStringLiteral("Брус 50×50"), Qt::EditRole);
  rows->setData(rows->index(0, 1), QStringLiteral("40"), Qt::EditRole);
  rows->setData(rows->index(0, 2), QStringLiteral("96"), Qt::EditRole);
  shoot(purchase, QStringLiteral("10-prikhodnaya-nakladnaya"), QSize(640, 560));
  post(purchase);
  frmUniDoc* doc = newSale(QStringLiteral("Брус 50×50"), QStringLiteral("Центральный склад"),
                           QStringLiteral("3"), QStringLiteral("250"));
  shoot(doc, QStringLiteral("04-raskhodnaya-nakladnaya"), QSize(640, 520));
  post(doc);
  auto* payment = clickMenu<frmUniDoc>(1, QStringLiteral("ПоступлениеНаСчет"));
  ASSERT_TRUE(payment);
  payment->form()->setValue(QStringLiteral("Наименование"), QStringLiteral("Оплата бруса"));
  payment->form()->setValue(QStringLiteral("Контрагент"), QStringLiteral("ООО «Альянс»"));
  payment->form()->setValue(QStringLiteral("Сумма"), QStringLiteral("750"));
  shoot(payment, QStringLiteral("11-postuplenie-na-schet"), QSize(640, 330));
  post(payment);
  EXPECT_TRUE(messages.texts().isEmpty()) << messages.last().toStdString();

  frmZurnal* journal = clickMenu<frmZurnal>(2, QStringLiteral("Склад"));
  ASSERT_TRUE(journal);
  // The journal opens on a period of the last months of the history, the two documents just
  // posted among them; the picture shows it as the user gets it.
  const auto [start, end] = frmZurnal::defaultPeriod(QDate::currentDate());
  EXPECT_EQ(journal->periodStart()->date(), start);
  int documents = 0;
  for (const QString& kind :
       {QStringLiteral("ПриходнаяНакладная"), QStringLiteral("РасходнаяНакладная")}) {
    storage::Recordset dates =
        db().openRecordset(QStringLiteral("SELECT cDATE FROM items_Документ_") + kind);
    for (; !dates.eof(); dates.moveNext())
      if (const QDate d = demo::testing::dateOf(dates.text(0)); d >= start && d <= end) ++documents;
  }
  processEvents();
  EXPECT_EQ(journal->model()->rowCount(), documents);
  shoot(journal, QStringLiteral("05-zhurnal-sklad"), QSize(1150, 480));
  clickMenu<frmRepDialog>(3, QStringLiteral("ОстаткиТоваров"));
  frmRepDialog* dialog = openWindows<frmRepDialog>().value(0);
  shoot(dialog, QStringLiteral("06-otchet-dialog"));
  ASSERT_TRUE(dialog);
  dialog->buildAndCloseButton()->click();
  processEvents();
  shoot(openWindows<frmReport>().value(0), QStringLiteral("07-otchet-ostatki"), QSize(760, 480));
  clickMenu<frmRepDialog>(3, QStringLiteral("ОборотноСальдоваяВедомость"));
  dialog = openWindows<frmRepDialog>().value(0);
  ASSERT_TRUE(dialog);
  dialog->periodStart()->setDate(QDate::currentDate().addMonths(-1));
  dialog->buildAndCloseButton()->click();
  processEvents();
  shoot(openWindows<frmReport>().value(openWindows<frmReport>().size() - 1),
        QStringLiteral("08-otchet-osv"), QSize(1100, 330));
  for (const auto& [report, picture, size] :
       {std::tuple{"ВзаиморасчетыСКонтрагентами", "12-otchet-vzaimoraschety", QSize(820, 520)},
        std::tuple{"Продажи", "13-otchet-prodazhi", QSize(900, 520)}}) {
    clickMenu<frmRepDialog>(3, QString::fromUtf8(report));
    dialog = openWindows<frmRepDialog>().value(0);
    ASSERT_TRUE(dialog) << report;
    const QDate today = QDate::currentDate();
    dialog->periodStart()->setDate(QDate(today.year(), today.month(), 1));
    dialog->buildAndCloseButton()->click();
    processEvents();
    shoot(openWindows<frmReport>().value(openWindows<frmReport>().size() - 1),
          QString::fromUtf8(picture), size);
  }
  main()->resize(within(screenRoom(), QSize(1200, 800)));
  shoot(main(), QStringLiteral("09-glavnoe-okno"));

  // Every picture the guide links was made now.
  QFile guide(QStringLiteral(BALVIX_SOURCE_DIR "/docs/guide.md"));
  ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(guide.readAll());
  static const QRegularExpression link(QStringLiteral(R"(\]\(images/([^)]+\.png)\))"));
  int linked = 0;
  for (const QRegularExpressionMatch& m : link.globalMatch(text)) {
    ++linked;
    EXPECT_TRUE(m_made.contains(m.captured(1))) << m.captured(1).toStdString();
    EXPECT_GT(QFileInfo(m_out + u'/' + m.captured(1)).size(), 1000) << m.captured(1).toStdString();
  }
  EXPECT_GE(linked, 8);
}

}  // namespace
}  // namespace balvix::runtime::testing
