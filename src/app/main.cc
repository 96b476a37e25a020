#include <QApplication>
#include <QIcon>

#include "app/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The installed icon and menu entry, so that the title bar and the task list show them; when
  // run from the build folder no icon is found and the window manager's own is used.
  QApplication::setWindowIcon(QIcon::fromTheme("gamefold"));
  QGuiApplication::setDesktopFileName("org.gamefold.Gamefold");
  gamefold::Form1 window;
  window.show();
  return app.exec();
}
