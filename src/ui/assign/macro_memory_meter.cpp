#include "ui/assign/macro_memory_meter.h"

#include <QVBoxLayout>

#include "ui/skin/qt_owned.h"

namespace quorvane {

namespace {

constexpr int kBarHeight = 8;
constexpr int kWordsPoints = 8;
const char* const kNormalColour = "#e4e4e4";
const char* const kBarColour = "#4aa3df";
const char* const kWarningColour = "#ffa040";
const char* const kRefusedColour = "#ff5a5a";

}  // namespace

MacroMemoryMeter::MacroMemoryMeter(Texts texts, QWidget* parent)
    : QWidget(parent),
      m_texts(std::move(texts)),
      m_bar(qtOwned<QProgressBar>(this)),
      m_words(qtOwned<QLabel>(this)) {
    setObjectName(QStringLiteral("macroMemory"));
    m_bar->setObjectName(QStringLiteral("macroMemoryBar"));
    m_words->setObjectName(QStringLiteral("macroMemoryWords"));
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(kBarHeight);
    QFont small = m_words->font();
    small.setPointSize(kWordsPoints);
    m_words->setFont(small);
    m_words->setWordWrap(true);
    m_words->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* layout = qtOwned<QVBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_bar);
    layout->addWidget(m_words, 1);
    showUse(m_use);
}

void MacroMemoryMeter::showUse(const MacroMemoryUse& use) {
    m_use = use;
    auto text = [this](const char16_t* key) {
        return m_texts ? m_texts(key) : QString::fromUtf16(key);
    };
    m_warning = use.nearlyFull() || !use.fits || use.namesDropped;
    const char* colour = !use.fits ? kRefusedColour : m_warning ? kWarningColour : kNormalColour;
    const char* bar = !use.fits ? kRefusedColour : m_warning ? kWarningColour : kBarColour;
    m_bar->setValue(use.percent());
    m_bar->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid #808080; border-radius: "
                                        "2px; background: #2b2b2b; } QProgressBar::chunk { "
                                        "background: %1; }")
                             .arg(QLatin1String(bar)));
    QString words = QStringLiteral("%1: %2 / %3 %4.")
                        .arg(text(u"IDS_MACRO_MEMORY"))
                        .arg(use.used)
                        .arg(use.capacity)
                        .arg(text(u"IDS_MACRO_MEMORY_BYTES"));
    if (!use.fits) {
        words += QLatin1Char(' ') + text(u"IDS_MACRO_MEMORY_FULL");
    } else if (use.namesDropped) {
        words += QLatin1Char(' ') + text(u"IDS_MACRO_MEMORY_NAMES_LEFT_OUT");
    } else if (use.nearlyFull()) {
        words += QLatin1Char(' ') + text(u"IDS_MACRO_MEMORY_NEARLY_FULL");
    }
    m_words->setText(words);
    m_words->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
    setAccessibleName(text(u"IDS_MACRO_MEMORY"));
    setAccessibleDescription(words);
    m_bar->setAccessibleName(text(u"IDS_MACRO_MEMORY"));
    m_bar->setAccessibleDescription(words);
}

}  // namespace quorvane
