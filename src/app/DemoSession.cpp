// SPDX-License-Identifier: MIT
#include "DemoSession.h"
#include "TestHooks.h"

#include "platform/KeychainHelper.h"
#include "platform/LoginItem.h"
#include "sandbox/Emulator.h"

#include <algorithm>

namespace {
// The service's limits, on as at the service. STAVELIN_DEMO_KEY_SPENT gives the part of the
// key's budget its other users take in every window: the built-in key is shared by everyone
// who runs the program. STAVELIN_DEMO_NO_LIMITS=1 turns them off, for the memory soak, which
// opens boards and cards hundreds of times faster than a person does.
std::optional<sandbox::RateLimits> demoLimits()
{
    if (qEnvironmentVariableIntValue("STAVELIN_DEMO_NO_LIMITS") == 1) {
        return std::nullopt;
    }
    sandbox::RateLimits limits;
    limits.keySpentByOthers =
        std::clamp(qEnvironmentVariableIntValue("STAVELIN_DEMO_KEY_SPENT"), 0, limits.perKey);
    return limits;
}
} // namespace

DemoSession::DemoSession(sandbox::Seed seed)
    : m_emulator(std::make_unique<sandbox::Emulator>(sandbox::Options{
          .seed = seed, .rateLimits = demoLimits(), .backgroundPriority = true,
          // Its record of requests serves the end-to-end tests' counts, for hours of use. Only
          // they read it, and the memory soak, which counts none, turns it off: it is the
          // service's memory, which grows with every request, not the program's.
          .recordsRequestDetails = false,
          .recordsRequests = hooks::enabled() &&
              qEnvironmentVariableIntValue("STAVELIN_DEMO_NO_RECORD") != 1})),
      m_folder(QDir::temp().filePath(QStringLiteral("stavelin-demo-XXXXXX")))
{
    m_emulator->start(0);
}

DemoSession::~DemoSession()
{
    m_emulator->stop();
}

bool DemoSession::isRunning() const
{
    return m_emulator->port() > 0 && m_folder.isValid();
}

AppState::Dependencies DemoSession::dependencies()
{
    const QString baseUrl = QString::fromStdString(m_emulator->baseUrl());
    // Benchmarks give the demo's service a round-trip time, to measure as over a network.
    const int latency = qEnvironmentVariableIntValue("STAVELIN_DEMO_LATENCY_MS");
    if (latency > 0) {
        m_emulator->setLatency(std::chrono::milliseconds(latency));
    }
    // Everything that reads the service's address from the environment sees the emulator too.
    qputenv("STAVELIN_SERVICE_URL", baseUrl.toUtf8());

    auto credentials = std::make_shared<MemoryCredentialStore>();
    // The memory store finishes at once, so nothing needs to wait for these.
    credentials->save(KeychainHelper::ApiKeyAccount, QString::fromStdString(m_emulator->apiKey()));
    credentials->save(KeychainHelper::TokenAccount, QString::fromStdString(m_emulator->token()));

    AppState::Dependencies dependencies;
    dependencies.credentials = std::move(credentials);
    dependencies.settings = std::make_unique<QSettings>(
        m_folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    dependencies.loginItem = std::make_unique<LoginItem>(m_folder.filePath(QStringLiteral("autostart")));
    dependencies.baseURL = QUrl(baseUrl);
    // The sandbox's key stands in for the built-in one, so a callback URL connects here too.
    dependencies.builtInAppKey = QString::fromStdString(m_emulator->apiKey());
    return dependencies;
}
