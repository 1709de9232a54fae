// Export marker of the windowing stand-in's shared library.
#pragma once

#define Q7310_UI_API __attribute__((visibility("default")))
