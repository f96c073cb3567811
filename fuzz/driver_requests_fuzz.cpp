// The driver's whole request path natively: the framework's dispatch routines
// over the host kernel stand-in with the simulated terminal, fed a sequence of
// create, close, read, write and device-control requests on three handles,
// with arbitrary codes, lengths and buffers. The system buffer is as long as
// the request says (as the I/O manager makes it), filled with what the input
// still holds, so a length larger than the input is a long buffer of filler,
// and any access past the stated length is a finding.
#include "drvshell.h"
#include "fuzz_input.h"
#include "emulated_terminal.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kMaxRequests = 48;
constexpr uint32_t kMaxLength = 3 * 4096; // past the write limit, short of slow

void check(bool holds, const char* what)
{
    if (holds) return;
    std::fprintf(stderr, "driver invariant broken: %s\n", what);
    std::abort();
}

uint32_t length_from(kav::fuzz::Input& in) { return in.u16() % (kMaxLength + 1); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kav::fuzz::Input in(data, size);
    HostKernel::get().reset();
    DRVSHELL_ResetForTests();
    DRIVER_OBJECT driver{};
    UNICODE_STRING registry{};
    check(NT_SUCCESS(DriverEntry(&driver, &registry)), "the driver loads");
    FILE_OBJECT handles[3]{};

    for (int n = 0; n < kMaxRequests && !in.empty(); ++n) {
        static constexpr UCHAR kMajors[] = {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_READ, IRP_MJ_WRITE,
                                            IRP_MJ_DEVICE_CONTROL};
        const UCHAR major = kMajors[in.byte() % 5];
        IRP irp{};
        irp.Stack.MajorFunction = major;
        irp.Stack.FileObject = &handles[in.byte() % 3];
        uint32_t buffer_length = 0;
        if (major == IRP_MJ_READ || major == IRP_MJ_WRITE) {
            buffer_length = length_from(in);
            irp.Stack.Parameters.Read.Length = buffer_length; // Write.Length shares the place
        } else if (major == IRP_MJ_DEVICE_CONTROL) {
            // Mostly the driver's own codes and their neighbours, sometimes any code.
            const uint8_t pick = in.byte();
            const uint32_t code = pick < 192 ? 0x220220u + 4u * (pick % 40u) : in.u32();
            const uint32_t input_length = length_from(in) % 64;
            const uint32_t output_length = length_from(in) % 300;
            irp.Stack.Parameters.DeviceIoControl.IoControlCode = code;
            irp.Stack.Parameters.DeviceIoControl.InputBufferLength = input_length;
            irp.Stack.Parameters.DeviceIoControl.OutputBufferLength = output_length;
            buffer_length = input_length > output_length ? input_length : output_length;
        }
        std::vector<uint8_t> buffer(buffer_length, 0xCD);
        in.bytes(buffer.data(), buffer_length);
        irp.AssociatedIrp.SystemBuffer = buffer_length != 0 ? buffer.data() : nullptr;

        const size_t before = HostKernel::get().completed_count();
        driver.MajorFunction[major](driver.DeviceObject, &irp);
        check(HostKernel::get().completions_of(&irp, before) == 1, "every request is completed once");
        if (major != IRP_MJ_WRITE) {
            check(irp.IoStatus.Information <= buffer_length, "never more bytes returned than the buffer holds");
        }
    }

    driver.DriverUnload(&driver);
    auto& terminal = static_cast<kav::SimTerminal&>(DRVSHELL_Ports());
    check(HostKernel::get().live_pool_blocks == 0, "unload gives every block back");
    check(DRVSHELL_Pool().stats().refused_releases == 0, "no release is refused");
    check(HostKernel::get().breakpoints == 0, "no breakpoint");
    check(terminal.stray_config_accesses() == 0, "every super-I/O sequence keeps its bracket");
    check(!terminal.in_config_mode(), "the chip is left out of configuration mode");
    return 0;
}
