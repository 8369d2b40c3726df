#pragma once
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "toolkit/Label.h"

// Puts a message into a message box's label at the largest of a few sizes
// at which every word shows: a long file name or an import's warnings then
// come out smaller rather than losing their last lines.
//
// Threads: UI thread only.
inline void setBoxText(Label& label, const std::string& text, const char* family = "Helvetica") {
    const auto printable = [](const std::string& s) {
        return static_cast<size_t>(
            std::count_if(s.begin(), s.end(), [](unsigned char c) { return !std::isspace(c); }));
    };
    const size_t wanted = printable(text);
    label.setText(text);
    for (const float size : {20.0f, 17.0f, 15.0f, 13.0f}) {
        label.setFont(family, size);
        size_t shown = 0;
        for (const std::string& line : label.layoutLines())
            shown += printable(line);
        if (shown == wanted)
            return;
    }
}
