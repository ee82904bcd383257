// The overlay's page, whole inside the program: its markup, style and
// script, with nothing fetched from anywhere else.
#pragma once

extern const char kOverlayPage[];
