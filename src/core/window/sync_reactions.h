// KeyboardReactions on the real synchronisation.
#pragma once

#include "core/sync/profile_transfer.h"
#include "core/sync/sync_session.h"
#include "core/window/keyboard_reactions.h"

namespace quorvane {

class SyncReactions final : public KeyboardReactions {
  public:
    explicit SyncReactions(SyncSession& session) : m_session(session) {}
    void onLightingChanged() override { m_session.onLightingChanged(); }
    void onActiveProfileChanged() override { m_session.onActiveProfileChanged(); }
    void onProfileMessage() override { m_session.onProfileMessage(); }
    void updateProfileLabel() override { quorvane::updateProfileLabel(m_session); }

  private:
    SyncSession& m_session;
};

}  // namespace quorvane
