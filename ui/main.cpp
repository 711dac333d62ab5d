// velmor-machine: the window program.
#include "main_window.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    velmor::ui::MainWindow window;
    window.show();
    return QApplication::exec();
}
