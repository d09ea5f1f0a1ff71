#pragma once

#include <QMenuBar>
#include <QString>

class QAction;

namespace zembra {

// The menu bar: File, Edit and Tools. Every item is a QAction whose object
// name is the item's name; windows bind their commands to items by name.
// The Edit items act on the text field that has the keyboard focus.
class MenuBar1 : public QMenuBar {
  Q_OBJECT

 public:
  // The shared menu bar, made on first use. The main window takes it over;
  // once that window is gone, the next call makes a fresh one.
  static MenuBar1* Instance();

  // The item of that name (menu titles included), or null.
  QAction* Item(const QString& name) const;

 private:
  MenuBar1();
  void BuildFileMenu();
  void BuildEditMenu();
  void BuildToolsMenu();
};

}  // namespace zembra
