#pragma once
// A key of a settings file with its default: settings tables (Kelto.ini, Layout.ini) are lists
// of these, so readers never scatter section and key literals.

struct IntSetting {
    const char* section;
    const char* key;
    int def;
};
struct TextSetting {
    const char* section;
    const char* key;
    const char* def;
};
