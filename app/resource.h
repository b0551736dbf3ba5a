// Names and numbers shared by the resource script and the code.
#pragma once

#define VARNEL_VERSION 1, 0, 0, 0
#define VARNEL_VERSION_TEXT "1.0.0.0"
