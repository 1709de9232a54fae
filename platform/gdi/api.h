// Export marker of the graphics engine stand-in's shared library.
#pragma once

#define Q7310_GDI_API __attribute__((visibility("default")))
