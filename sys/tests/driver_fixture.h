// Loads the driver's framework over the host kernel stand-in and sends it
// requests the way the I/O manager would: one system buffer per request.
#pragma once
#include "drvshell.h"
#include "piocore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::test {

struct Request {
    IRP irp{};
    std::vector<uint8_t> buffer;
    NTSTATUS returned = 0; // what the routine returned
    int completions = 0;   // how often the request was completed

    ULONG_PTR information() const { return irp.IoStatus.Information; }
    NTSTATUS status() const { return irp.IoStatus.Status; }
};

class LoadedDriver {
public:
    // A fresh driver image over a fresh host kernel, not loaded yet.
    void reset()
    {
        HostKernel::get().reset();
        DRVSHELL_ResetForTests();
        driver = DRIVER_OBJECT{};
        loaded = false;
    }
    NTSTATUS load()
    {
        UNICODE_STRING registry{};
        const NTSTATUS status = DriverEntry(&driver, &registry);
        loaded = NT_SUCCESS(status);
        return status;
    }
    void unload()
    {
        driver.DriverUnload(&driver);
        loaded = false;
    }
    PDEVICE_OBJECT device() const { return driver.DeviceObject; }
    DEVICE_EXTENSION* extension() const { return DRVSHELL_Extension(device()); }

    // Sends one request through the routine the driver registered for it.
    NTSTATUS send(Request& r, UCHAR major)
    {
        r.irp.Stack.MajorFunction = major;
        r.irp.AssociatedIrp.SystemBuffer = r.buffer.empty() ? nullptr : r.buffer.data();
        // The driver must set both.
        r.irp.IoStatus.Status = static_cast<NTSTATUS>(0xDEADBEEF);
        r.irp.IoStatus.Information = 0xBAD;
        auto& completed = HostKernel::get().completed;
        const size_t before = completed.size();
        r.returned = driver.MajorFunction[major](device(), &r.irp);
        r.completions = 0;
        for (size_t i = before; i < completed.size(); ++i) r.completions += completed[i] == &r.irp;
        return r.returned;
    }
    Request create() { return simple(IRP_MJ_CREATE); }
    Request close() { return simple(IRP_MJ_CLOSE); }
    Request write(const std::vector<uint8_t>& data)
    {
        Request r;
        r.buffer = data;
        r.irp.Stack.Parameters.Write.Length = static_cast<ULONG>(data.size());
        send(r, IRP_MJ_WRITE);
        return r;
    }
    Request read(ULONG length)
    {
        Request r;
        r.buffer.assign(length, 0xEE);
        r.irp.Stack.Parameters.Read.Length = length;
        send(r, IRP_MJ_READ);
        return r;
    }
    Request control(ULONG code, const std::vector<uint8_t>& input, ULONG output_length)
    {
        Request r;
        r.buffer = input;
        if (r.buffer.size() < output_length) r.buffer.resize(output_length, 0);
        r.irp.Stack.Parameters.DeviceIoControl.IoControlCode = code;
        r.irp.Stack.Parameters.DeviceIoControl.InputBufferLength = static_cast<ULONG>(input.size());
        r.irp.Stack.Parameters.DeviceIoControl.OutputBufferLength = output_length;
        send(r, IRP_MJ_DEVICE_CONTROL);
        return r;
    }
    std::string output() const { return HostKernel::get().debug_text(); }

    DRIVER_OBJECT driver{};
    bool loaded = false;

private:
    Request simple(UCHAR major)
    {
        Request r;
        send(r, major);
        return r;
    }
};

class DriverFixture : public ::testing::Test, public LoadedDriver {
protected:
    void SetUp() override { reset(); }
    void TearDown() override
    {
        if (loaded) unload();
    }
};

} // namespace kav::test
