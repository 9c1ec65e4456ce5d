// What the test plug-ins receive as their host's main window: a way to report their life.
#pragma once

// Events: "registered", "destroyed", "unloaded", each with the plug-in's name.
struct plugin_probe {
    void (*note)(void* context, const char* event, const char* plugin);
    void* context;
};
