// Whether a download is worth trying: the platform's connected state, and when that names
// no connection kind, whether any adapter has a default gateway.
#pragma once

#include <windows.h>

struct _IP_ADAPTER_INFO;

bool IsNetworkUp();
bool HasDefaultGateway();

// Seams for tests.
enum class NetworkOverride { None, Up, Down };
void SetNetworkOverride(NetworkOverride value);
using ConnectedStateProc = BOOL(WINAPI*)(DWORD* flags, DWORD reserved);
using AdaptersInfoProc = ULONG(WINAPI*)(_IP_ADAPTER_INFO* adapters, ULONG* size);
bool IsNetworkUpWith(ConnectedStateProc connectedState, AdaptersInfoProc adaptersInfo);
bool HasDefaultGatewayWith(AdaptersInfoProc adaptersInfo);
