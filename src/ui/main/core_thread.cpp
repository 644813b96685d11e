#include "ui/main/core_thread.h"

#include <utility>

namespace quorvane {

namespace {
// Far from the window's and the tool's messages.
constexpr std::uint32_t UM_GUI_WORK = 0x8301;
}  // namespace

CoreThread::CoreThread(MessageHandler onMessage, TimerHandler onTimer)
    : m_onMessage(std::move(onMessage)),
      m_dispatcher(
          std::make_unique<LoopDispatcher>([this](std::uint32_t msg, std::uintptr_t w,
                                                  std::intptr_t l) { return handle(msg, w, l); },
                                           std::move(onTimer))) {}

CoreThread::~CoreThread() {
    stop();
}

void CoreThread::start() {
    const std::lock_guard lock(m_lock);
    if (m_started) {
        return;
    }
    m_started = true;
    m_thread = std::thread([this] { m_dispatcher->run(); });
}

void CoreThread::stop() {
    m_dispatcher->quit();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    const std::lock_guard lock(m_lock);
    m_work.clear();
}

bool CoreThread::running() const {
    const std::lock_guard lock(m_lock);
    return m_started && m_thread.joinable();
}

void CoreThread::post(std::function<void()> work) {
    {
        const std::lock_guard lock(m_lock);
        m_work.push_back(std::move(work));
    }
    m_dispatcher->postMessage(UM_GUI_WORK, 0, 0);
}

MsgResult CoreThread::handle(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
    if (msg != UM_GUI_WORK) {
        return m_onMessage ? m_onMessage(msg, wParam, lParam) : 0;
    }
    std::function<void()> work;
    {
        const std::lock_guard lock(m_lock);
        if (m_work.empty()) {
            return 0;
        }
        work = std::move(m_work.front());
        m_work.pop_front();
    }
    work();
    return 0;
}

}  // namespace quorvane
