#include "ui/main/about_dialog.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "ui/skin/qt_owned.h"

namespace quorvane {

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
    m_link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(link.toHtmlEscaped()));
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
