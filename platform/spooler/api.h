// Export marker of the spooler stand-in's shared library.
#pragma once

#define Q7310_SPOOLER_API __attribute__((visibility("default")))
