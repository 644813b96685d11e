// The assignment dialog's macro page: the macro names, the step list with its
// in-place editing, the recorder's button and the step buttons, the cycles,
// the record-delays box and the memory meter, shown from the core's macro
// editor.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "core/keys/key_conversions.h"
#include "core/keys/key_names.h"
#include "ui/assign/composite_dialog.h"
#include "ui/assign/composite_dialog_look.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {

using namespace composite_ids;
using namespace composite_look;

namespace {

constexpr int kKeyPickerCount = 106;
constexpr int kKeyPickerRows = 20;
constexpr int kStatePickerRows = 6;

}  // namespace

void Quorvane_DlgComposite::buildMacroPage() {
    m_names = makeCombo(kMacroNames, u"FUNC_MACRO_LIST");
    m_names->setEditable(true);
    m_names->setInsertPolicy(QComboBox::NoInsert);
    m_names->setCompleter(nullptr);
    m_names->lineEdit()->setMaxLength(static_cast<int>(kMacroNameUnits) - 1);
    connect(m_names, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_syncing) {
            m_core.editor().selectMacro(index);
            sync();
        }
    });
    connect(m_names->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& typed) {
        if (!m_syncing) {
            m_core.editor().typeName(typed.toStdU16String());
            sync();
        }
    });

    const std::pair<int, const char16_t*> macroButtons[] = {
        {kMacroAdd, u"FUNC_MACRO_ADD"},
        {kMacroDelete, u"FUNC_MACRO_DELETE"},
        {kRecord, u"FUNC_MACRO_RECORD"},
        {kStepDelete, u"FUNC_MACRO_DELETE2"},
        {kStepClear, u"FUNC_MACRO_CLEAR"},
        {kStepTop, u"FUNC_MACRO_UP_TOP"},
        {kStepUp, u"FUNC_MACRO_UP"},
        {kStepDown, u"FUNC_MACRO_DOWN"},
        {kStepBottom, u"FUNC_MACRO_DOWN_BOTTOM"}};
    for (const auto& [id, key] : macroButtons) {
        makeButton(id, key, m_macroSet);
    }
    auto onEdit = [this](int id, const std::function<void(MacroEditor&)>& edit) {
        connect(button(id), &QAbstractButton::clicked, this, [this, edit] {
            m_steps->FinishEdit(true);
            edit(m_core.editor());
            sync();
            if (m_steps->isVisible()) {
                m_steps->setFocus(Qt::OtherFocusReason);
            }
        });
    };
    onEdit(kMacroAdd, [](MacroEditor& e) { e.addMacro(); });
    onEdit(kMacroDelete, [](MacroEditor& e) { e.deleteMacro(); });
    onEdit(kStepDelete, [](MacroEditor& e) { e.deleteStep(); });
    onEdit(kStepClear, [](MacroEditor& e) { e.clearSteps(); });
    onEdit(kStepTop, [](MacroEditor& e) { e.moveStepToTop(); });
    onEdit(kStepUp, [](MacroEditor& e) { e.moveStepUp(); });
    onEdit(kStepDown, [](MacroEditor& e) { e.moveStepDown(); });
    onEdit(kStepBottom, [](MacroEditor& e) { e.moveStepToBottom(); });
    connect(button(kRecord), &QAbstractButton::clicked, this, &Quorvane_DlgComposite::onRecord);

    m_steps = qtOwned<CReportCtrl>(this);
    m_steps->setObjectName(QStringLiteral("ctl%1").arg(kSteps));
    loadSkinRect(m_steps, layout(), u"BUTTONINFO", u"FUNC_MACRO_LIST2");
    m_steps->SetColumns({QString(), QString(), QString()}, {70, 60, 76});
    m_steps->SetBeginEdit([this](int row, int column) { return beginStepEdit(row, column); });
    m_steps->SetEndEdit([this](int row, int column, const CellEditResult& result) {
        endStepEdit(row, column, result);
    });
    connect(m_steps, &CReportCtrl::rowSelected, this, [this](int row) {
        if (!m_syncing) {
            m_core.editor().selectStep(row);
        }
    });
    m_controls[kSteps] = m_steps;

    m_cycles = qtOwned<QLineEdit>(this);
    m_cycles->setObjectName(QStringLiteral("ctl%1").arg(kCycles));
    loadSkinRect(m_cycles, layout(), u"BUTTONINFO", u"FUNC_MACRO_CYCLES");
    connect(m_cycles, &QLineEdit::textEdited, this, [this](const QString& typed) {
        if (!m_syncing) {
            m_core.editor().setCyclesText(typed.toStdU16String());
            sync();
        }
    });
    m_controls[kCycles] = m_cycles;

    m_delays = qtOwned<QCheckBox>(this);
    m_delays->setObjectName(QStringLiteral("ctl%1").arg(kRecordDelays));
    loadSkinRect(m_delays, layout(), u"BUTTONINFO", u"FUNC_MACRO_RECORD_DELAY");
    m_delays->setText(QString());
    connect(m_delays, &QCheckBox::clicked, this, [this] {
        m_core.onRecordDelaysClicked();
        sync();
    });
    m_controls[kRecordDelays] = m_delays;

    m_memory = qtOwned<MacroMemoryMeter>([this](const char16_t* key) { return text(key); }, this);
    loadSkinRect(m_memory, layout(), u"BUTTONINFO", u"FUNC_MACRO_MEMORY");
}

// With m_syncing set: the lists' own signals change nothing.
void Quorvane_DlgComposite::clearMacroPage() {
    m_steps->RemoveAllRows();
    m_names->clear();
    m_shownNames.clear();
    m_shownSteps.clear();
}

void Quorvane_DlgComposite::syncNames() {
    const MacroEditor& e = m_core.editor();
    std::vector<std::u16string> names;
    names.reserve(e.macros().size());
    for (const MacroRecord& m : e.macros()) {
        names.emplace_back(m.nameView());
    }
    QLineEdit* edit = m_names->lineEdit();
    const int cursor = edit->cursorPosition();
    const QString typed = edit->text();
    if (names != m_shownNames) {
        if (names.size() == m_shownNames.size()) {
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (names[i] != m_shownNames[i]) {
                    m_names->setItemText(static_cast<int>(i), qs(names[i]));
                }
            }
        } else {
            m_names->clear();
            for (const std::u16string& n : names) {
                m_names->addItem(qs(n));
            }
        }
        m_shownNames = std::move(names);
    }
    if (m_names->currentIndex() != e.selectedMacro()) {
        m_names->setCurrentIndex(e.selectedMacro());
    }
    // What the user typed stays as typed, caret included.
    const QString shown = e.selectedMacro() >= 0 ? m_names->itemText(e.selectedMacro()) : typed;
    if (edit->text() != shown) {
        edit->setText(shown);
    }
    if (edit->hasFocus() && shown == typed) {
        edit->setCursorPosition(cursor);
    }
}

void Quorvane_DlgComposite::syncSteps() {
    const std::vector<MacroAction>& steps = m_core.editor().steps();
    if (steps != m_shownSteps) {
        // Only the rows between the first and the last difference change: a
        // recorded step or a move touches a few rows of up to 2000.
        const std::size_t oldSize = m_shownSteps.size();
        const std::size_t newSize = steps.size();
        std::size_t head = 0;
        while (head < oldSize && head < newSize && m_shownSteps[head] == steps[head]) {
            ++head;
        }
        std::size_t tail = 0;
        while (tail < oldSize - head && tail < newSize - head &&
               m_shownSteps[oldSize - 1 - tail] == steps[newSize - 1 - tail]) {
            ++tail;
        }
        for (std::size_t i = oldSize - tail; i > head; --i) {
            m_steps->RemoveRow(static_cast<int>(i - 1));
        }
        for (std::size_t i = head; i < newSize - tail; ++i) {
            const StepRowTexts t = stepRowTexts(steps[i], m_setup.loadText);
            const int row =
                m_steps->InsertRow(static_cast<int>(i), {qs(t.key), qs(t.action), qs(t.delay)});
            m_steps->SetCellColour(row, 0, kStepGrey);
            m_steps->SetCellColour(row, 1, kStepGrey);
        }
        m_shownSteps = steps;
    }
    const int selected = m_core.editor().selectedStep();
    if (m_steps->SelectedRow() != selected) {
        m_steps->SelectRow(selected);
    }
    if (selected >= 0) {
        m_steps->EnsureVisible(selected);
    }
}

void Quorvane_DlgComposite::syncMacroPage() {
    const MacroEditor& e = m_core.editor();
    syncNames();
    syncSteps();
    const QString cycles = qs(e.cyclesText());
    if (m_cycles->text() != cycles) {
        m_cycles->setText(cycles);
    }
    m_delays->setChecked(m_core.recordDelaysChecked());
    CPngButton* record = button(kRecord);
    const QString caption = text(e.recordCaptionKey());
    if (record->text() != caption) {
        record->setText(caption);
        record->setAccessibleName(caption);
    }
    record->SetChecked(e.recording(), true);
    const bool names = e.nameListEnabled();
    m_names->setEnabled(names);
    button(kMacroAdd)->setEnabled(names);
    button(kMacroDelete)->setEnabled(names);
    m_memory->showUse(e.memoryUse(m_macroCapacity));
    const bool steps = e.stepButtonsEnabled();
    for (const int id :
         {kRecord, kStepDelete, kStepClear, kStepTop, kStepUp, kStepDown, kStepBottom}) {
        button(id)->setEnabled(steps);
    }
}

void Quorvane_DlgComposite::onRecord() {
    if (m_state != State::Open) {
        return;
    }
    m_steps->FinishEdit(true);
    // The click that starts it is on the key events' clock.
    m_core.editor().toggleRecording(m_lastInputMs);
    sync();
}

CellEditor Quorvane_DlgComposite::beginStepEdit(int row, int column) {
    CellEditor editor;
    const std::vector<MacroAction>& steps = m_core.editor().steps();
    if (row < 0 || static_cast<std::size_t>(row) >= steps.size()) {
        return editor;
    }
    const MacroAction& step = steps[static_cast<std::size_t>(row)];
    switch (column) {
        case 0: {
            editor.kind = CellEditor::Kind::DropDown;
            for (int i = 0; i < kKeyPickerCount; ++i) {
                editor.items.append(
                    qs(keyNameOfListIndex(static_cast<KeyListIndex>(i), m_setup.loadText)));
            }
            const KeyListIndex index = listIndexOfKey(step.key);
            editor.current = index < kKeyPickerCount ? static_cast<int>(index) : -1;
            editor.visibleRows = kKeyPickerRows;
            break;
        }
        case 1:
            editor.kind = CellEditor::Kind::DropDown;
            editor.items = {qs(stepActionText(0)), qs(stepActionText(1))};
            editor.current = step.state == 0 ? 0 : 1;
            editor.visibleRows = kStatePickerRows;
            break;
        case 2:
            m_core.editor().beginDelayEdit();
            editor.kind = CellEditor::Kind::Digits;
            editor.text = QString::number(step.delay);
            QMetaObject::invokeMethod(
                this, [this] { sync(); }, Qt::QueuedConnection);
            break;
        default:
            break;
    }
    return editor;
}

void Quorvane_DlgComposite::endStepEdit(int row, int column, const CellEditResult& result) {
    if (!result.confirmed || m_state != State::Open) {
        return;
    }
    MacroEditor& e = m_core.editor();
    switch (column) {
        case 0:
            e.setStepKeyListIndex(row, result.index);
            break;
        case 1:
            e.setStepState(row, result.index);
            break;
        case 2:
            e.endDelayEdit(row, result.text.toStdU16String());
            break;
        default:
            break;
    }
    // The rows are shown from the steps again; the edited one compares equal
    // when nothing changed.
    QMetaObject::invokeMethod(
        this, [this] { sync(); }, Qt::QueuedConnection);
}

}  // namespace quorvane
