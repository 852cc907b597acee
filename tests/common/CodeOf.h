#pragma once
// The code of the CVQXException a call throws, 0 when it throws none.

#include "core/VQXException.h"

template <class F> int CodeOf(F&& f)
{
    try {
        f();
    } catch (const CVQXException& e) {
        return e.GetCode();
    }
    return 0;
}
