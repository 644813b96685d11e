// The macro page's meter: how much of the keyboard's macro memory the macros
// take, as a bar and "Macro memory: used / capacity bytes", in the warning
// colour above 90 %, with what Apply will do when the memory runs short. The
// figures are the core's (MacroEditor::memoryUse).
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include <functional>

#include "core/config/macro_area_codec.h"

namespace quorvane {

class MacroMemoryMeter : public QWidget {
    Q_OBJECT
  public:
    using Texts = std::function<QString(const char16_t* key)>;
    explicit MacroMemoryMeter(Texts texts, QWidget* parent = nullptr);

    void showUse(const MacroMemoryUse& use);
    // The words again, in the language now chosen.
    void applyLanguage() { showUse(m_use); }

    QProgressBar* bar() const { return m_bar; }
    QLabel* words() const { return m_words; }
    bool warning() const { return m_warning; }

  private:
    Texts m_texts;
    MacroMemoryUse m_use;
    QProgressBar* m_bar;
    QLabel* m_words;
    bool m_warning = false;
};

}  // namespace quorvane
