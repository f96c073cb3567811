// The kernel's types and calls for the framework sources: the DDK in the
// driver build, the host stand-in in the native tests.
#pragma once

#if defined(KAV_KERNEL)
extern "C" {
// The DDK's inline versions of these clash with the compiler's intrinsics.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#define POOL_TAGGING 1
#include <ntddk.h>
// Declared only in ntifs.h, which does not build beside ntddk.h.
NTKERNELAPI NTSTATUS NTAPI ObOpenObjectByPointer(PVOID object, ULONG attributes, PACCESS_STATE state,
                                                 ACCESS_MASK access, POBJECT_TYPE type, KPROCESSOR_MODE mode,
                                                 PHANDLE handle);
NTSYSAPI NTSTATUS NTAPI ZwSetSecurityObject(HANDLE handle, SECURITY_INFORMATION information,
                                            PSECURITY_DESCRIPTOR descriptor);
}
inline ULONG64 read_cycle_counter() { return __rdtsc(); }
#else
#include "host_kernel.h"
#endif
