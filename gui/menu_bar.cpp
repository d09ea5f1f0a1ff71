#include "gui/menu_bar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

#include "gui/zembra_app.h"

namespace zembra {
namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = {}) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  return action;
}

void AddSeparator(QMenu* menu, const char* name) {
  menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* menu = bar->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

// Runs `edit` on the focused text field, if a text field has the focus.
template <typename Edit>
void OnFocusedField(Edit edit) {
  if (auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
    edit(field);
  }
}

// A menu opened with Alt takes the keyboard, and the focused field would drop
// its selection, leaving Cut, Copy and Delete nothing to act on. Told as the
// focus loss to a popup, as when the menu is opened by the mouse, the field
// keeps its selection.
class FieldSelectionKeeper : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::FocusOut ||
        static_cast<QFocusEvent*>(event)->reason() != Qt::MenuBarFocusReason ||
        qobject_cast<QLineEdit*>(watched) == nullptr) {
      return false;
    }
    QFocusEvent as_popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(watched, &as_popup);
    return true;
  }
};

}  // namespace

MenuBar1* MenuBar1::Instance() {
  static QPointer<MenuBar1> shared;
  if (shared.isNull()) {
    shared = new MenuBar1();
  }
  return shared.data();
}

MenuBar1::MenuBar1() {
  setObjectName(QStringLiteral("MenuBar1"));
  BuildFileMenu();
  BuildEditMenu();
  BuildToolsMenu();
  // A filter of its own: the menu bar adds and removes itself as an
  // application filter while Alt is held, which would take this one away.
  qApp->installEventFilter(new FieldSelectionKeeper(this));
}

QAction* MenuBar1::Item(const QString& name) const {
  return findChild<QAction*>(name);
}

void MenuBar1::BuildFileMenu() {
  QMenu* file = AddMenu(this, "FileMenu", tr("&File"));
  AddItem(file, "FileOpenSong", tr("&Open Song\u2026"), QKeySequence(Qt::CTRL | Qt::Key_O));
  AddItem(file, "FileSaveSheet", tr("&Save Sheet\u2026"), QKeySequence(Qt::CTRL | Qt::Key_S));
  AddItem(file, "FileSelectVAGFolder", tr("Select VAG &Folder"));
  AddItem(file, "FileCreateBJS", tr("Create &BJS"));
  AddItem(file, "FileImportAudio", tr("&Import Audio\u2026"), QKeySequence(Qt::CTRL | Qt::Key_I));
  AddSeparator(file, "UntitledMenu2");
  QAction* quit = AddItem(file, "FileQuit", tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
  quit->setMenuRole(QAction::QuitRole);
  // Quit works from every window of Zembra, the patcher included.
  quit->setShortcutContext(Qt::ApplicationShortcut);
  connect(quit, &QAction::triggered, this, [] { App().Quit(0); });
}

void MenuBar1::BuildEditMenu() {
  QMenu* edit = AddMenu(this, "EditMenu", tr("&Edit"));
  QAction* undo = AddItem(edit, "EditUndo", tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
  QAction* redo =
      AddItem(edit, "EditRedo", tr("&Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  AddSeparator(edit, "UntitledMenu1");
  QAction* cut = AddItem(edit, "EditCut", tr("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X));
  QAction* copy = AddItem(edit, "EditCopy", tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
  QAction* paste = AddItem(edit, "EditPaste", tr("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
  QAction* clear = AddItem(edit, "EditClear", tr("&Delete"));
  AddSeparator(edit, "UntitledMenu0");
  QAction* select_all =
      AddItem(edit, "EditSelectAll", tr("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));

  // Undo and Redo act here on the focused text field; without one, the main
  // window takes them for the sheet's gestures.
  connect(undo, &QAction::triggered, this, [] { OnFocusedField([](QLineEdit* f) { f->undo(); }); });
  connect(redo, &QAction::triggered, this, [] { OnFocusedField([](QLineEdit* f) { f->redo(); }); });
  connect(cut, &QAction::triggered, this, [] { OnFocusedField([](QLineEdit* f) { f->cut(); }); });
  connect(copy, &QAction::triggered, this, [] { OnFocusedField([](QLineEdit* f) { f->copy(); }); });
  connect(paste, &QAction::triggered, this,
          [] { OnFocusedField([](QLineEdit* f) { f->paste(); }); });
  connect(clear, &QAction::triggered, this, [] { OnFocusedField([](QLineEdit* f) { f->del(); }); });
  connect(select_all, &QAction::triggered, this, [] {
    QWidget* focus = QApplication::focusWidget();
    if (auto* field = qobject_cast<QLineEdit*>(focus)) {
      field->selectAll();
    } else if (auto* list = qobject_cast<QAbstractItemView*>(focus)) {
      list->selectAll();
    }
  });
}

void MenuBar1::BuildToolsMenu() {
  QMenu* tools = AddMenu(this, "ToolsMenu", tr("Tools"));
  AddItem(tools, "ToolsPatchVAGFiles", tr("Patch &VAG Files"));
}

}  // namespace zembra
