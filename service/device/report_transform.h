#pragma once
// The report transform of the "HIDApi" plugin: its export "EncodeSecrecy_V11" rewrites a 9-byte
// buffer (a 0 byte, then the 8 report bytes) in place before the legacy upload sends it.
//
// The plugin is optional. When it or its export is missing, available() is false and the
// absence is written to the diagnostics once per object; users of the transform skip their work.
// A loaded plugin stays loaded until the program ends.
#include <functional>
#include <string>

class ReportTransform {
public:
    using Function = std::function<void(unsigned char* nineBytes)>;

    // "HIDApi.so" in the folder of the running program (/proc/self/exe).
    static std::string defaultPluginPath();

    // dlopen the plugin and resolve "EncodeSecrecy_V11". Returns whether the export is usable.
    bool load(const std::string& path);
    bool loadBesideProgram() { return load(defaultPluginPath()); }

    // Uses a given function instead of a plugin (the virtual mouse and tests).
    void setFunction(Function fn) { fn_ = std::move(fn); }

    bool available() const { return static_cast<bool>(fn_); }

    // Transforms the buffer; false, with the one-time diagnostics line, when unavailable.
    bool apply(unsigned char* nineBytes);

    // Writes the absence line unless it was written already.
    void reportMissingOnce();

private:
    Function fn_;
    std::string problem_ = "report transform not loaded";
    bool reported_ = false;
};
