#pragma once
// The 252 named character references of HTML 4.01 ("&nbsp;", "&eacute;", "&euro;", ...).
#include <cstdint>
#include <span>
#include <string_view>

struct HtmlEntity {
    const char* name;     // without '&' and ';', case-sensitive
    uint32_t codePoint;
};

// The whole table, sorted by name in byte order.
std::span<const HtmlEntity> htmlEntities();

// Code point of a named reference, 0 when the name is not one of them.
uint32_t htmlEntityCodePoint(std::string_view name);
