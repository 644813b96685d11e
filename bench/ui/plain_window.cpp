// The baseline of the start-up figures: a plain Qt program that loads the same
// eleven full-window pictures as the main window, adds a tray icon and, with
// --show, shows a window painted from the first picture.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <vector>

namespace {

class PictureWindow : public QWidget {
  public:
    explicit PictureWindow(QPixmap picture) : m_picture(std::move(picture)) {
        setWindowTitle(QStringLiteral("Plain picture window"));
        resize(m_picture.size());
    }

  protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawPixmap(0, 0, m_picture); }

  private:
    QPixmap m_picture;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString skins = QCoreApplication::applicationDirPath() + QStringLiteral("/Skins/");
    std::vector<QPixmap> pictures;
    for (const char* name :
         {"main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_disable.jpg",
          "main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_disable.jpg", "Arrow.jpg",
          "main_color0.jpg", "main_color1.jpg"}) {
        pictures.emplace_back(skins + QLatin1String(name));
    }
    QSystemTrayIcon tray(QIcon(skins + QStringLiteral("icon_128.png")));
    tray.show();
    PictureWindow window(pictures.front());
    if (QCoreApplication::arguments().contains(QStringLiteral("--show"))) {
        window.show();
    }
    return QApplication::exec();
}
