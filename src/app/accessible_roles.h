#pragma once

// Gives screen readers the roles Qt cannot tell from the widget classes: a lamp is an image named
// by its state ("Link: yellow", "DI3: on"), the status line a status bar. Once per process.
void InstallAccessibleRoles();
