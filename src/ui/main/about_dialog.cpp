#include "ui/main/about_dialog.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "ui/skin/qt_owned.h"

namespace quorvane {

namespace {

// The skin's colours: its dark field and light texts, its button faces (dark
// normal, light cyan hover, light coral pressed) and its cyan link.
constexpr const char* kStyle =
    "QDialog{background:#16191f;}"
    "QLabel{color:#e4e4e4;background:transparent;}"
    "QPushButton{color:#dedede;min-width:72px;min-height:24px;padding:2px 12px;"
    "border:1px solid #3a414d;border-radius:6px;"
    "background:qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #2a303b,stop:1 #1d2129);}"
    "QPushButton:hover{color:#452262;border-color:#2fd3ff;"
    "background:qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #def8ff,stop:1 #9ce3f7);}"
    "QPushButton:pressed{color:#832a26;border-color:#ff8a66;"
    "background:qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #f3c2b0,stop:1 #ffe2d6);}"
    "QPushButton:focus{border-color:#2fd3ff;}";

}  // namespace

CAboutDlg::CAboutDlg(const QString& link, const QString& version, Texts texts,
                     std::function<void()> openHelp, QWidget* parent)
    : QDialog(parent),
      m_texts(std::move(texts)),
      m_openHelp(std::move(openHelp)),
      m_versionText(version),
      m_version(qtOwned<QLabel>(this)),
      m_copyright(qtOwned<QLabel>(this)),
      m_link(qtOwned<QLabel>(this)),
      m_ok(qtOwned<QPushButton>(this)) {
    setObjectName(QStringLiteral("aboutBox"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_version->setObjectName(QStringLiteral("ctl1206"));
    m_copyright->setObjectName(QStringLiteral("ctl1205"));
    m_link->setObjectName(QStringLiteral("link"));
    m_ok->setObjectName(QStringLiteral("ctl1"));
    setStyleSheet(QString::fromLatin1(kStyle));
    m_link->setText(
        QStringLiteral("<a style=\"color:#2fd3ff\" href=\"%1\">%1</a>").arg(link.toHtmlEscaped()));
    m_link->setTextFormat(Qt::RichText);
    m_link->setOpenExternalLinks(true);
    auto* layout = qtOwned<QVBoxLayout>(this);
    layout->addWidget(m_version);
    layout->addWidget(m_copyright);
    layout->addWidget(m_link);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    applyLanguage();
}

void CAboutDlg::applyLanguage() {
    if (!m_texts) {
        return;
    }
    setWindowTitle(m_texts(u"IDS_ABOUT_TITLE"));
    m_version->setText(m_texts(u"IDS_ABOUT_VERSION") + QLatin1Char(' ') + m_versionText);
    m_copyright->setText(m_texts(u"IDS_ABOUT_COPYRIGHT"));
    m_ok->setText(m_texts(u"IDS_ABOUT_OK"));
    m_ok->setAccessibleName(m_ok->text());
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        if (m_openHelp) {
            m_openHelp();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace quorvane
