#pragma once
// The code of the CVQXException a call throws, 0 when it throws none; and the exception itself,
// for a test that also checks its data word or message.

#include "core/VQXException.h"

#include <optional>

template <class F> std::optional<CVQXException> ExceptionOf(F&& f)
{
    try {
        f();
    } catch (const CVQXException& e) {
        return e;
    }
    return std::nullopt;
}

template <class F> int CodeOf(F&& f)
{
    const std::optional<CVQXException> e = ExceptionOf(std::forward<F>(f));
    return e ? e->GetCode() : 0;
}
