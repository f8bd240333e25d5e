#pragma once

#include "base/Outcome.h"

#include <QString>

#include <optional>
#include <utility>

// What an action that gives something back returns: the value, or why there is none, as an
// Outcome says it. Ask `failed()` (and `isCancelled()` where it can be) before `value()`.
template <typename T> class [[nodiscard]] Result
{
public:
    // NOLINTNEXTLINE(google-explicit-constructor): a value is a result.
    Result(T value) : m_value(std::move(value)) {}
    static Result failure(QString reason) { return Result(Outcome::failure(std::move(reason))); }
    static Result cancelled() { return Result(Outcome::cancelled()); }

    bool failed() const { return m_outcome.failed(); }
    bool isCancelled() const { return m_outcome.isCancelled(); }
    QString reason() const { return m_outcome.reason(); }
    const Outcome& outcome() const { return m_outcome; }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    T* operator->() { return &*m_value; }

private:
    explicit Result(Outcome outcome) : m_outcome(std::move(outcome)) {}

    std::optional<T> m_value;
    Outcome m_outcome = Outcome::done();
};
