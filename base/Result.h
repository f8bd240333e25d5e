#pragma once

#include "base/Outcome.h"

#include <QString>

#include <optional>
#include <utility>

// What an action that gives something back returns: the value, or why there is
// none, a sentence for the user as in Outcome. Made from the value itself
// (`return picture;`) or with `Result<T>::failure(reason)`; ask `failed()`
// before taking `value()`.
template <typename T> class [[nodiscard]] Result
{
public:
    // NOLINTNEXTLINE(google-explicit-constructor): a value is a result.
    Result(T value) : m_value(std::move(value)) {}
    static Result failure(QString reason) { return Result(std::move(reason)); }

    bool failed() const { return !m_value.has_value(); }
    // Why there is no value; empty when there is one.
    const QString& reason() const { return m_reason; }
    Outcome outcome() const { return failed() ? Outcome::failure(m_reason) : Outcome::done(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    T* operator->() { return &*m_value; }

private:
    explicit Result(QString reason) : m_reason(std::move(reason)) {}

    std::optional<T> m_value;
    QString m_reason;
};
