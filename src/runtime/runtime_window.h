#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <memory>

#include "shell/app_state.h"
#include "shell/window_interfaces.h"

class QMdiSubWindow;
class QPushButton;

namespace balvix::script {
class Host;
}

namespace balvix::runtime {

// The common ground of the runtime windows: they report "load", "active", "inactive"
// and "unload" to the main window's window bar, keep their size in twips and are never
// larger than the area that shows them.
class RuntimeWindow : public QWidget, public shell::UnsavedWork {
  Q_OBJECT

 public:
  RuntimeWindow(shell::AppState& state, QWidget* parent = nullptr);
  ~RuntimeWindow() override;

  shell::AppState& state() { return m_state; }

  // The window's outer size in twips (its frame inside the main window when it has one);
  // applied again when the window is first shown inside its frame.
  void setSizeTwips(double width, double height);
  QSize sizeTwips() const;
  // The frame that shows the window, itself when it has none.
  QWidget* frame() const;
  // CenterForm, now and again when first shown inside its frame.
  void centre();
  // The smallest outer size in twips; a frame dragged smaller springs back to it.
  void setMinimumTwips(int width, int height) { m_minimumTwips = QSize(width, height); }

  // What the user typed and has not saved; a window that edits nothing has none.
  virtual bool hasUnsavedChanges() const { return false; }
  bool confirmClose() override;

 protected:
  // The window opens where it was last closed for this object (a document kind, a
  // catalog, ...) instead of at its design size, fitted into the room it has.
  void rememberPlaceAs(const QString& object);
  // Registers the window under its current caption.
  void registerLoad();
  void registerUnload();
  virtual void activated(bool on);
  // The host of the window's modules: the program's own, or (without one, as in tests) a
  // host of the window's that shows statuses in the main window's status line.
  script::Host* moduleHost();
  // A command button whose accessible name is its caption without the "&" of its access key.
  static QPushButton* commandButton(const QString& objectName, const QString& caption,
                                    QWidget* parent);
  // Return false to keep the window open.
  virtual bool unload() { return true; }
  // Saves what is unsaved when the user answers «Да» on closing; false keeps the window.
  virtual bool saveChanges() { return true; }
  // Esc closes the window (after the question about unsaved changes).
  void setClosesOnEscape(bool on) { m_closesOnEscape = on; }
  void keyPressEvent(QKeyEvent* event) override;

  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  shell::AppState& m_state;

 private:
  void watchFrame();
  void applyGeometry();
  bool applyRememberedPlace();
  void storePlace();
  QString m_registered;
  QString m_placeKey;
  QRect m_normalPlace;
  QSizeF m_sizeTwips;
  QSize m_minimumTwips;
  bool m_centre = false;
  QPointer<QWidget> m_placedIn;
  QPointer<QMdiSubWindow> m_watched;
  bool m_unloaded = false;
  bool m_closeConfirmed = false;
  bool m_closesOnEscape = false;
  std::unique_ptr<script::Host> m_ownHost;
  // The field that had the focus when this window was opened: it gets it back when this
  // window closes, so that what the user types next goes where they were working.
  QPointer<QWidget> m_returnFocus;
};

}  // namespace balvix::runtime
