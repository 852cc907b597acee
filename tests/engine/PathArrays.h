#pragma once
// A client's view of path data: coordinate arrays to pass in, and the rows of a result array.

#include "VQXEngine.h"

#include <gtest/gtest.h>

#include <vector>

// A VARIANT holding a one-dimensional array (lower bound 1) of the given element type.
inline VARIANT CoordinateArray(const std::vector<double>& values, VARTYPE type = VT_R8)
{
    VARIANT v;
    VariantInit(&v);
    SAFEARRAYBOUND bound{ULONG(values.size()), 1};
    SAFEARRAY* array = SafeArrayCreate(type, 1, &bound);
    for (LONG i = 0; i < LONG(values.size()); ++i) {
        const LONG index = i + 1;
        VARIANT element;
        VariantInit(&element);
        element.vt = VT_R8;
        element.dblVal = values[size_t(i)];
        if (type == VT_VARIANT) {
            SafeArrayPutElement(array, &index, &element);
        } else {
            VARIANT converted;
            VariantInit(&converted);
            VariantChangeType(&converted, &element, 0, type);
            SafeArrayPutElement(array, &index, &converted.lVal);
        }
    }
    v.vt = VT_ARRAY | type;
    v.parray = array;
    return v;
}

// The rows of a result array: each the axis positions then the clock. Checks its shape.
inline std::vector<std::vector<double>> Rows(const VARIANT& pairs, LONG columns)
{
    std::vector<std::vector<double>> rows;
    EXPECT_EQ(pairs.vt, VT_ARRAY | VT_R8);
    if (pairs.vt != (VT_ARRAY | VT_R8))
        return rows;
    SAFEARRAY* a = pairs.parray;
    EXPECT_EQ(SafeArrayGetDim(a), 2u);
    LONG lb1 = 0, ub1 = 0, lb2 = 0, ub2 = 0;
    SafeArrayGetLBound(a, 1, &lb1);
    SafeArrayGetUBound(a, 1, &ub1);
    SafeArrayGetLBound(a, 2, &lb2);
    SafeArrayGetUBound(a, 2, &ub2);
    EXPECT_EQ(lb1, 1);
    EXPECT_EQ(lb2, 1);
    EXPECT_EQ(ub1, columns);
    for (LONG i = lb2; i <= ub2; ++i) {
        std::vector<double> row;
        for (LONG j = lb1; j <= ub1; ++j) {
            const LONG index[2] = {j, i};
            double d = 0;
            EXPECT_EQ(SafeArrayGetElement(a, index, &d), S_OK);
            row.push_back(d);
        }
        rows.push_back(row);
    }
    return rows;
}
