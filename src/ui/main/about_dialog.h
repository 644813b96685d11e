// The about box: modeless, at most one at a time, in the skin's colours, with
// the skin's link and the language's texts. OK and Cancel close it; F1 opens
// the help page.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <functional>

namespace quorvane {

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    using Texts = std::function<QString(const char16_t* key)>;

    CAboutDlg(const QString& link, const QString& version, Texts texts,
              std::function<void()> openHelp, QWidget* parent = nullptr);

    // UM_LANG: caption, version, copyright and OK from the language texts.
    void applyLanguage();

    QLabel* versionLabel() const { return m_version; }
    QLabel* linkLabel() const { return m_link; }
    QPushButton* okButton() const { return m_ok; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Texts m_texts;
    std::function<void()> m_openHelp;
    QString m_versionText;
    QLabel* m_version;
    QLabel* m_copyright;
    QLabel* m_link;
    QPushButton* m_ok;
};

}  // namespace quorvane
