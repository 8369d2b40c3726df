#include "ui/ScreenCatalog.h"

const ScreenInfo* ScreenCatalog::find(int screenNo) {
    for (const ScreenInfo& screen : kScreens)
        if (screen.number == screenNo)
            return &screen;
    return nullptr;
}

const char* ScreenCatalog::kindName(ScreenKind kind) {
    switch (kind) {
    case ScreenKind::Playing:
        return "playing";
    case ScreenKind::Editor:
        return "editor";
    case ScreenKind::Pedal:
        return "pedal";
    case ScreenKind::Menu:
        return "menu";
    case ScreenKind::Setup:
        return "setup";
    case ScreenKind::Library:
        return "library";
    case ScreenKind::Manual:
        return "manual";
    }
    return "";
}

std::vector<CommandLine::Screen> ScreenCatalog::forCommandLine() {
    std::vector<CommandLine::Screen> out;
    for (const ScreenInfo& screen : kScreens)
        out.push_back({screen.number, screen.name, kindName(screen.kind)});
    return out;
}
