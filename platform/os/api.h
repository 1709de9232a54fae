// Export marker of the platform layer's shared library.
#pragma once

#define Q7310_OS_API __attribute__((visibility("default")))
