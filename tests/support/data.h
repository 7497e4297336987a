#pragma once

// Data-driven tables in one line each: the columns, a row, and the current row's values; and the
// failure a call throws.

#include "platform/failure.h"

#include <QTest>

#include <array>
#include <concepts>
#include <optional>
#include <tuple>

namespace numio::test {

// columns<QString, int>({"text", "count"})
template <class... T> void columns(const std::array<const char*, sizeof...(T)>& names) {
    auto name = names.begin();
    (QTest::addColumn<T>(*name++), ...);
}

// Keeps a row on one line where the stream form would break after every text.
template <class... V> void row(const char* name, const V&... values) {
    (QTest::newRow(name) << ... << values);
}

// const auto [text, count] = fetch<QString, int>("text", "count");
template <class... T> std::tuple<T...> fetch(std::convertible_to<const char*> auto... names) {
    return {*static_cast<T*>(QTest::qData(names, qMetaTypeId<T>()))...};
}

// The failure `call` throws; nothing when it returns.
template <class F> std::optional<Failure> thrown(F&& call) {
    try {
        std::forward<F>(call)();
    } catch (const Failure& f) {
        return f;
    }
    return std::nullopt;
}

// The code of the failure `call` throws; 0 when it returns.
template <class F> int failureCode(F&& call) {
    const std::optional<Failure> f = thrown(std::forward<F>(call));
    return f ? f->code() : 0;
}

} // namespace numio::test
