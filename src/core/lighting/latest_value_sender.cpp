#include "core/lighting/latest_value_sender.h"

#include <algorithm>
#include <utility>

#include "core/device/device_result.h"

namespace quorvane {

LatestValueSender::LatestValueSender(CommandSet& commands)
    : LatestValueSender([&commands](const LightingBracket& bracket) {
          return sendLightingBracket(commands, bracket);
      }) {}

LatestValueSender::LatestValueSender(SendFunction send)
    : m_send(std::move(send)), m_thread([this] { run(); }) {}

LatestValueSender::~LatestValueSender() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool LatestValueSender::samePlaces(const LightingBracket& a, const LightingBracket& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const LightingPiece& x, const LightingPiece& y) {
                          return x.command == y.command && x.offset == y.offset &&
                                 x.bank == y.bank && x.bytes.size() == y.bytes.size();
                      });
}

int LatestValueSender::queue(LightingBracket bracket) {
    {
        std::lock_guard lock(m_mutex);
        const auto older = std::find_if(
            m_waiting.begin(), m_waiting.end(),
            [&](const LightingBracket& waiting) { return samePlaces(waiting, bracket); });
        if (older != m_waiting.end()) {
            m_waiting.erase(older);
            ++m_superseded;
        }
        m_waiting.push_back(std::move(bracket));
    }
    m_wake.notify_one();
    return 1;
}

void LatestValueSender::settle() {
    std::unique_lock lock(m_mutex);
    m_settled.wait(lock, [this] { return m_waiting.empty() && !m_busy; });
}

std::size_t LatestValueSender::sent() const {
    std::lock_guard lock(m_mutex);
    return m_sent;
}

std::size_t LatestValueSender::superseded() const {
    std::lock_guard lock(m_mutex);
    return m_superseded;
}

std::size_t LatestValueSender::dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

int LatestValueSender::lastResult() const {
    std::lock_guard lock(m_mutex);
    return m_lastResult;
}

void LatestValueSender::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
        if (m_waiting.empty()) {
            return;  // stopped, nothing left to send
        }
        LightingBracket bracket = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_busy = true;
        lock.unlock();
        const int result = m_send(bracket);
        lock.lock();
        m_busy = false;
        ++m_sent;
        m_lastResult = result;
        if (result == kResultNoKeyboard || result == kResultNotSent || result == kResultNoAnswer) {
            m_dropped += m_waiting.size();
            m_waiting.clear();
        }
        if (m_waiting.empty()) {
            m_settled.notify_all();
        }
    }
}

}  // namespace quorvane
