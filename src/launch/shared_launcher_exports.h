/* C entry point of the shared game launcher, for programs that load
 * libZorbitSharedLauncher.so by name (dlopen and dlsym) or that are not written
 * in C++. C++ programs may call SharedLauncher::StartGame (launch/shared_launcher.h),
 * which the library exports too. Texts are UTF-8. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZorbitGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
} ZorbitGuid;

/* SharedLauncher::StartGame, logging to a new log file of its own in the user's
 * temporary folder. Null texts count as empty, a null classId as the zero GUID;
 * silent and hidden are booleans. Returns the HRESULT (0 when the program was
 * started). When errorDescription is not null, it receives the readable
 * description of a failure (empty on success), NUL-terminated and cut to fit
 * errorDescriptionSize bytes. */
int32_t ZorbitSharedLauncher_StartGame(const char* ticket, const char* authenticationUrl,
                                       const char* scriptUrl, const ZorbitGuid* classId, int silent,
                                       const char* readyEventName, int hidden,
                                       const char* showEventName, int32_t launchMode,
                                       char* errorDescription, size_t errorDescriptionSize);

#ifdef __cplusplus
}
#endif
