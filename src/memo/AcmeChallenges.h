#pragma once

#include <QByteArray>
#include <QHash>

#include <mutex>
#include <optional>

// The HTTP-01 answers an order in progress waits to have fetched: written by
// the ACME client's thread, read by the memo server as requests arrive.
class AcmeChallenges {
  public:
    void put(const QByteArray& token, const QByteArray& keyAuthorization)
    {
        const std::lock_guard guard(lock_);
        answers_.insert(token, keyAuthorization);
    }
    void remove(const QByteArray& token)
    {
        const std::lock_guard guard(lock_);
        answers_.remove(token);
    }
    std::optional<QByteArray> find(const QByteArray& token) const
    {
        const std::lock_guard guard(lock_);
        const auto it = answers_.constFind(token);
        return it == answers_.constEnd() ? std::nullopt : std::optional<QByteArray>(*it);
    }

  private:
    mutable std::mutex lock_;
    QHash<QByteArray, QByteArray> answers_;
};
