// The log's process-wide state, shared with the library's own callers.
#pragma once

#include <cstdio>

extern int iDebugLevel;
extern int m_iCount;
extern FILE* m_pFile;
extern const char* const arrDebugLevel[5];
