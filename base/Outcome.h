#pragma once

#include <QString>

#include <utility>

// What an action that can fail and has nothing else to return gives back: done; failed or
// refused, with a reason for the user ("The file does not exist."); or cancelled.
class [[nodiscard]] Outcome
{
public:
    static Outcome done() { return Outcome(State::Done, {}); }
    static Outcome failure(QString reason) { return Outcome(State::Failed, std::move(reason)); }
    // An input or path no retry mends; nothing was touched. A failure too, shown as a warning.
    static Outcome refusal(QString reason) { return Outcome(State::Refused, std::move(reason)); }
    static Outcome cancelled() { return Outcome(State::Cancelled, {}); }

    bool isDone() const { return m_state == State::Done; }
    bool failed() const { return m_state == State::Failed || m_state == State::Refused; }
    bool refused() const { return m_state == State::Refused; }
    bool isCancelled() const { return m_state == State::Cancelled; }
    // Why it failed; empty when it was done or cancelled.
    QString reason() const { return m_reason; }

private:
    enum class State
    {
        Done,
        Failed,
        Refused,
        Cancelled,
    };
    Outcome(State state, QString reason) : m_state(state), m_reason(std::move(reason)) {}

    State m_state;
    QString m_reason;
};
