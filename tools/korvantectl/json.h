#pragma once
// A small JSON writer for korvantectl's --json output: objects, arrays, strings, numbers and
// booleans, written in order with commas and escapes handled.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);  // inside an object, before each value
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(int64_t number);
    JsonWriter& value(int number) { return value(static_cast<int64_t>(number)); }
    JsonWriter& value(bool flag);
    JsonWriter& null();

    // The text so far, with a final newline once everything is closed.
    std::string text() const { return depth_.empty() ? out_ + "\n" : out_; }

private:
    void separate();
    std::string out_;
    std::vector<bool> depth_;  // per open level: has a first element
    bool afterKey_ = false;
};

// The text as a JSON string literal, quotes included.
std::string jsonQuote(std::string_view text);

}  // namespace ctl
