// SPDX-License-Identifier: MIT
#pragma once

#include "state/AppState.h"

#include <QTemporaryDir>

#include <memory>

namespace sandbox {
class Emulator;
enum class Seed;
} // namespace sandbox

// The demo: the emulated service on a free loopback port inside this process, its sample
// account already connected, credentials kept in memory and preferences in a throwaway
// folder, so a demo never touches the user's keyring, settings or autostart entries.
class DemoSession {
public:
    explicit DemoSession(sandbox::Seed seed);
    ~DemoSession();

    bool isRunning() const;
    // What the store needs to run on the emulator; call once.
    AppState::Dependencies dependencies();
    // The service itself, for the test hooks' injected refusals.
    sandbox::Emulator *emulator() const { return m_emulator.get(); }

private:
    std::unique_ptr<sandbox::Emulator> m_emulator;
    QTemporaryDir m_folder;
};
