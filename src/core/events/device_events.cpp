#include "core/events/device_events.h"

#include <thread>
#include <utility>

#include "base/keyboard_protocol.h"
#include "core/device/device_result.h"
#include "core/device/hid_filter.h"
#include "core/device/unit_id.h"

namespace quorvane {

namespace {

// Ends a worker's turn however the worker leaves.
class TurnScope {
  public:
    TurnScope(TurnQueue& queue, TurnQueue::Ticket ticket) : m_queue(queue), m_ticket(ticket) {}
    ~TurnScope() { m_queue.done(m_ticket); }
    TurnScope(const TurnScope&) = delete;
    TurnScope& operator=(const TurnScope&) = delete;

  private:
    TurnQueue& m_queue;
    TurnQueue::Ticket m_ticket;
};

}  // namespace

DeviceEvents::DeviceEvents(DeviceLink& link, DeviceEventListener& listener, Prompter& prompter,
                           TextLookup loadText, DeviceEventsTiming timing)
    : m_link(link),
      m_listener(listener),
      m_prompter(prompter),
      m_loadText(std::move(loadText)),
      m_timing(timing) {}

DeviceEvents::~DeviceEvents() {
    shutdown();
}

void DeviceEvents::setNoAutoOpen(bool on) {
    std::lock_guard lock(m_lock);
    m_state.g_bNoAutoOpen = on ? 1 : 0;
}

void DeviceEvents::StartDeviceEvents() {
    {
        std::lock_guard lock(m_lock);
        if (m_stopping) {
            return;
        }
        m_state.g_abReport = {0x05, 0x02};
        m_state.g_idLedWrite = 0;
        m_hooked = true;
    }
    m_link.setEventHook([this](const QuellixEvent& event) { handleEvent(event); });

    std::uint32_t consId = 0;
    {
        std::lock_guard lock(m_lock);
        consId = m_state.g_idConsRead;
    }
    m_link.registerStandingRead(kConsumerUsagePage, kConsumerUsage, kTagCons, consId);

    // The transport's answer slot and event exist with the link; the link has
    // registered the command read, through which presence changes come too.
    std::uint32_t ctrlId = m_link.ctrlReadId();
    if (ctrlId == 0) {
        m_link.registerStandingRead(kCommandUsagePage, kCommandUsage, kTagCtrl, ctrlId);
    }
    {
        std::lock_guard lock(m_lock);
        m_state.g_idConsRead = consId;
        m_state.g_idCtrlRead = ctrlId;
    }

    const int count = m_link.transport().DeviceCount();
    const std::uint32_t devices = count > 0 ? static_cast<std::uint32_t>(count) : 0;
    startArrivalWorker(devices);
    if (devices == 0) {
        std::lock_guard lock(m_lock);
        m_state.g_bNoAutoOpen = 1;
    }
}

void DeviceEvents::shutdown() {
    bool detach = false;
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        detach = m_hooked;
        m_hooked = false;
    }
    m_stopWake.notify_all();
    if (detach) {
        // Waits for a callback that is running in this object.
        m_link.setEventHook({});
    }
    m_arrivals.close();
    m_icons.close();
    m_banks.close();
    m_workers.closeAndJoin();
}

bool DeviceEvents::stopping() const {
    std::lock_guard lock(m_lock);
    return m_stopping;
}

void DeviceEvents::handleEvent(const QuellixEvent& event) {
    const QuellixRequestRecord* request = event.request;
    if (request == nullptr || stopping()) {
        return;
    }
    if (m_observer) {
        m_observer(event);
    }
    if (event.kind == QUELLIX_EVENT_REPORT && request->tag == kTagCons) {
        const QuellixReportHolder* holder = request->consumer;
        if (holder == nullptr || holder->report == nullptr || holder->length < 2) {
            return;
        }
        const auto code = static_cast<std::uint16_t>(holder->report[0] | (holder->report[1] << 8));
        onConsumerCode(code);
    } else if (event.kind == QUELLIX_EVENT_PRESENCE && request->tag == kTagCtrl) {
        startArrivalWorker(request->count);
    }
    // Anything else, the completion of the bank report among it: nothing.
}

void DeviceEvents::onConsumerCode(std::uint16_t code) {
    switch (code) {
        case kConsumerBankToggle:
            toggleBank();
            break;
        case kConsumerLightingChanged:
            m_listener.lightingChanged();
            break;
        case kConsumerProfileChanged:
            m_listener.activeProfileChanged();
            break;
        case kConsumerProfileReload:
            m_listener.configurationChanged();
            break;
        case kConsumerIconRest:
        case kConsumerIconSignal:
            startIconWorker(code);
            break;
        default:
            break;
    }
}

void DeviceEvents::startArrivalWorker(std::uint32_t count) {
    if (count != 0) {
        std::lock_guard lock(m_lock);
        ++m_readsPending;
    }
    const TurnQueue::Ticket ticket = m_arrivals.take();
    if (!m_workers.start([this, count, ticket] { ArrivalWorker(count, ticket); })) {
        m_arrivals.skip(ticket);
        endRead(count);
    }
}

void DeviceEvents::endRead(std::uint32_t count) {
    if (count == 0) {
        return;
    }
    std::lock_guard lock(m_lock);
    if (--m_readsPending == 0) {
        m_openWanted = false;  // the keyboard went before it was read
    }
}

bool DeviceEvents::openOnceRead() {
    std::lock_guard lock(m_lock);
    if (m_readsPending == 0) {
        return false;
    }
    m_openWanted = true;
    return true;
}

void DeviceEvents::ArrivalWorker(std::uint32_t count, TurnQueue::Ticket ticket) {
    struct ReadScope {
        DeviceEvents& events;
        std::uint32_t count;
        ~ReadScope() { events.endRead(count); }
    } read{*this, count};
    TurnScope turn(m_arrivals, ticket);
    if (!m_arrivals.waitTurn(ticket)) {
        return;
    }
    if (m_arrivals.superseded(ticket)) {
        // The newer event settles the state. A removal it overtook is recorded,
        // so that a quick remove and attach is read as the new keyboard it is.
        // A keyboard it overtook is not: an unread keyboard recorded as seen
        // would make a newer event with the same count do nothing, and the
        // keyboard would never be read.
        if (count == 0) {
            std::lock_guard lock(m_lock);
            m_state.g_nDeviceCount = 0;
        }
        return;
    }
    {
        std::lock_guard lock(m_lock);
        if (count == m_state.g_nDeviceCount) {
            return;
        }
    }
    if (count == 0) {
        {
            std::lock_guard lock(m_lock);
            m_handOver.removed = true;
        }
        m_listener.keyboardRemoved();
    } else {
        CommandSet& commands = m_link.commands();
        DeviceKeyTable table;
        if (commands.ReadDefaultKeyTable(table.bytes) == kResultDone) {
            std::lock_guard lock(m_lock);
            m_handOver.defaultKeyTable = table;
        } else if (!stopping()) {
            // The previous table stays in use.
            postPrompt(m_loadText ? m_loadText(u"IDS_MIAN_DEFAULT_PROMPT")
                                  : std::u16string(u"IDS_MIAN_DEFAULT_PROMPT"));
        }
        if (stopping()) {
            return;
        }
        SettingsBlock settings;
        if (commands.ReadSettings(settings.bytes) == kResultDone) {
            std::lock_guard lock(m_lock);
            m_handOver.macroSpace = settings.macroSpace();
        }
        if (stopping()) {
            return;
        }
        m_listener.keyboardArrived();
    }
    if (!waitUntilReady()) {
        return;
    }
    m_listener.showKeyboardPresence(count != 0);
    bool noAutoOpen = false;
    bool openWanted = false;
    {
        std::lock_guard lock(m_lock);
        noAutoOpen = m_state.g_bNoAutoOpen != 0;
        m_state.g_nDeviceCount = count;
        openWanted = count != 0 && std::exchange(m_openWanted, false);
    }
    if (count != 0 && (openWanted || !noAutoOpen)) {
        m_listener.openRequested();
    }
    if (noAutoOpen) {
        return;
    }
    std::lock_guard lock(m_lock);
    m_state.g_bNoAutoOpen = 1;
}

void DeviceEvents::postPrompt(std::u16string text) {
    {
        std::lock_guard lock(m_lock);
        m_prompts.push_back(std::move(text));
    }
    m_listener.promptsWaiting();
}

void DeviceEvents::showPendingPrompts() {
    for (;;) {
        std::u16string text;
        {
            std::lock_guard lock(m_lock);
            if (m_prompts.empty() || m_stopping) {
                m_prompts.clear();
                return;
            }
            text = std::move(m_prompts.front());
            m_prompts.pop_front();
        }
        m_prompter.showMessage(text);
    }
}

bool DeviceEvents::waitUntilReady() {
    std::unique_lock lock(m_lock);
    for (;;) {
        if (m_stopping) {
            return false;
        }
        lock.unlock();
        const bool ready = m_listener.isReady();
        lock.lock();
        if (ready) {
            return !m_stopping;
        }
        m_stopWake.wait_for(lock, m_timing.readyPoll, [this] { return m_stopping; });
    }
}

void DeviceEvents::startIconWorker(std::uint16_t code) {
    const TurnQueue::Ticket ticket = m_icons.take();
    const bool started = m_workers.start([this, code, ticket] {
        TurnScope turn(m_icons, ticket);
        if (m_icons.waitTurn(ticket)) {
            IconWorker(code);
        }
    });
    if (!started) {
        m_icons.skip(ticket);
    }
}

void DeviceEvents::IconWorker(std::uint16_t code) {
    {
        std::lock_guard lock(m_lock);
        m_state.g_bIconBusy = 1;
    }
    m_listener.showKeyboardSignal(code == kConsumerIconSignal);
    std::this_thread::sleep_for(m_timing.iconPause);
    std::lock_guard lock(m_lock);
    m_state.g_bIconBusy = 0;
}

void DeviceEvents::toggleBank() {
    std::array<std::uint8_t, 2> report{};
    TurnQueue::Ticket ticket = 0;
    {
        std::lock_guard led(m_ledLock);
        std::uint32_t previousId = 0;
        {
            std::lock_guard lock(m_lock);
            m_state.g_abReport[1] ^= 0x01;
            report = m_state.g_abReport;
            previousId = m_state.g_idLedWrite;
        }
        const HidFunctions& fn = m_link.library().functions();
        const QuellixFilter filter = makeFilter(kBankUsagePage, kBankUsage);
        const std::uint32_t unit =
            requestUnitId(filter, callbackField(&DeviceLink::DeviceCallback), kTagLed, report);
        // The library's answers are ignored: the keyboard only mirrors the bank.
        fn.DeleteRequestFromUnitId(previousId);
        std::uint32_t id = 0;
        fn.RequestStatusWrite(&filter, &DeviceLink::DeviceCallback, kTagLed, report.data(),
                              static_cast<std::uint32_t>(report.size()), unit, &id);
        {
            std::lock_guard lock(m_lock);
            m_state.g_idLedWrite = id;
        }
        ticket = m_banks.take();
    }
    // The window part waits for the window thread, so it runs on a worker:
    // this library thread must stay free to deliver command answers.
    const std::uint8_t bank = report[1] & 0x01;
    const bool started = m_workers.start([this, bank, ticket] {
        TurnScope turn(m_banks, ticket);
        if (!m_banks.waitTurn(ticket)) {
            return;
        }
        m_listener.gKeyBankChanged();
        if (!stopping()) {
            m_listener.showGKeyBank(bank);
        }
    });
    if (!started) {
        m_banks.skip(ticket);
    }
}

void DeviceEvents::handOverTo(LightingState& lighting) {
    std::lock_guard lock(m_lock);
    if (m_handOver.removed) {
        lighting.activeProfile = -1;
        m_handOver.removed = false;
    }
    if (m_handOver.defaultKeyTable) {
        lighting.DefaultKeyTable = *m_handOver.defaultKeyTable;
        m_handOver.defaultKeyTable.reset();
    }
    if (m_handOver.macroSpace) {
        lighting.macroSpace = *m_handOver.macroSpace;
        m_handOver.macroSpace.reset();
    }
    lighting.gKeyBank = m_state.g_abReport[1] & 0x01;
}

DeviceEventsState DeviceEvents::state() const {
    std::lock_guard lock(m_lock);
    return m_state;
}

std::uint32_t DeviceEvents::deviceCount() const {
    std::lock_guard lock(m_lock);
    return m_state.g_nDeviceCount;
}

std::uint8_t DeviceEvents::gKeyBank() const {
    std::lock_guard lock(m_lock);
    return m_state.g_abReport[1] & 0x01;
}

}  // namespace quorvane
