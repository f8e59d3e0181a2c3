#include "platform/DesktopAutoPlay.h"
#include "platform/LoadedLibrary.h"

#include <gio/gio.h>
#include <memory>

namespace platform {

namespace {

constexpr const char* SchemaId = "org.gnome.desktop.media-handling";

// GIO is loaded when the setting is first asked for or changed, not with every program that
// reads the settings file: it would add its libraries to the start of each (the command line
// tool included), and a desktop without it simply has no such setting.
struct Gio {
    decltype(&g_object_unref) objectUnref = nullptr;
    decltype(&g_settings_schema_source_get_default) defaultSource = nullptr;
    decltype(&g_settings_schema_source_lookup) lookup = nullptr;
    decltype(&g_settings_schema_has_key) hasKey = nullptr;
    decltype(&g_settings_schema_unref) schemaUnref = nullptr;
    decltype(&g_settings_new) settingsNew = nullptr;
    decltype(&g_settings_get_boolean) getBoolean = nullptr;
    decltype(&g_settings_set_boolean) setBoolean = nullptr;
    decltype(&g_settings_sync) sync = nullptr;
    bool ready = false;

    Gio() {
        const LoadedLibrary library("libgio-2.0.so.0");
        ready = library.Get(objectUnref, "g_object_unref") &&
                library.Get(defaultSource, "g_settings_schema_source_get_default") &&
                library.Get(lookup, "g_settings_schema_source_lookup") &&
                library.Get(hasKey, "g_settings_schema_has_key") &&
                library.Get(schemaUnref, "g_settings_schema_unref") &&
                library.Get(settingsNew, "g_settings_new") &&
                library.Get(getBoolean, "g_settings_get_boolean") &&
                library.Get(setBoolean, "g_settings_set_boolean") &&
                library.Get(sync, "g_settings_sync");
    }
    static const Gio& Get() {
        static const Gio gio;
        return gio;
    }
};

struct GObjectUnref {
    void operator()(gpointer p) const { Gio::Get().objectUnref(p); }
};
using SettingsPtr = std::unique_ptr<GSettings, GObjectUnref>;

// Only when the schema exists: g_settings_new aborts the process on an unknown schema.
SettingsPtr openSettings() {
    const Gio& gio = Gio::Get();
    if (!gio.ready)
        return nullptr;
    GSettingsSchemaSource* source = gio.defaultSource();
    if (!source)
        return nullptr;
    GSettingsSchema* schema = gio.lookup(source, SchemaId, TRUE);
    if (!schema)
        return nullptr;
    const bool complete = gio.hasKey(schema, "automount") && gio.hasKey(schema, "automount-open") &&
                          gio.hasKey(schema, "autorun-never");
    gio.schemaUnref(schema);
    if (!complete)
        return nullptr;
    return SettingsPtr(gio.settingsNew(SchemaId));
}

} // namespace

std::optional<bool> DesktopAutoPlayEnabled() {
    auto settings = openSettings();
    if (!settings)
        return std::nullopt;
    const Gio& gio = Gio::Get();
    return gio.getBoolean(settings.get(), "automount") &&
           !gio.getBoolean(settings.get(), "autorun-never");
}

bool SetDesktopAutoPlay(bool on) {
    auto settings = openSettings();
    if (!settings)
        return false;
    const Gio& gio = Gio::Get();
    bool ok = gio.setBoolean(settings.get(), "automount", on);
    ok = gio.setBoolean(settings.get(), "automount-open", on) && ok;
    ok = gio.setBoolean(settings.get(), "autorun-never", !on) && ok;
    gio.sync();
    return ok;
}

} // namespace platform
