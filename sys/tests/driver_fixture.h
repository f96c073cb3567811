// Loads the driver's framework over the host kernel stand-in and sends it
// requests the way the I/O manager would: one system buffer per request.
#pragma once
#include "drvshell.h"
#include "piocore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kav::test {

struct Request {
    IRP irp{};
    std::vector<uint8_t> buffer;
    NTSTATUS returned = 0; // what the routine returned
    int completions = 0;   // how often the request was completed
    PFILE_OBJECT file = nullptr; // the handle it comes through; the fixture's own when null

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
        r.irp.Stack.FileObject = r.file != nullptr ? r.file : &handle;
        r.irp.AssociatedIrp.SystemBuffer = r.buffer.empty() ? nullptr : r.buffer.data();
        // The driver must set both.
        r.irp.IoStatus.Status = static_cast<NTSTATUS>(0xDEADBEEF);
        r.irp.IoStatus.Information = 0xBAD;
        const size_t before = HostKernel::get().completed_count();
        r.returned = driver.MajorFunction[major](device(), &r.irp);
        r.completions = HostKernel::get().completions_of(&r.irp, before);
        return r.returned;
    }
    Request create(PFILE_OBJECT file = nullptr) { return simple(IRP_MJ_CREATE, file); }
    Request close(PFILE_OBJECT file = nullptr) { return simple(IRP_MJ_CLOSE, file); }
    Request write(const std::vector<uint8_t>& data, PFILE_OBJECT file = nullptr)
    {
        Request r;
        r.file = file;
        r.buffer = data;
        r.irp.Stack.Parameters.Write.Length = static_cast<ULONG>(data.size());
        send(r, IRP_MJ_WRITE);
        return r;
    }
    Request read(ULONG length, PFILE_OBJECT file = nullptr)
    {
        Request r;
        r.file = file;
        r.buffer.assign(length, 0xEE);
        r.irp.Stack.Parameters.Read.Length = length;
        send(r, IRP_MJ_READ);
        return r;
    }
    Request control(ULONG code, const std::vector<uint8_t>& input, ULONG output_length, PFILE_OBJECT file = nullptr)
    {
        Request r;
        r.file = file;
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
    FILE_OBJECT handle{}; // the handle requests come through unless they name another

private:
    Request simple(UCHAR major, PFILE_OBJECT file)
    {
        Request r;
        r.file = file;
        send(r, major);
        return r;
    }
};

// A second caller's request, started from inside a running one (a host
// kernel hook) on a thread of its own. start() gives it time to finish; one
// that is still running then is waiting for the first, and finish() joins it.
class RacingRequest {
public:
    ~RacingRequest() { finish(); }
    void start(std::function<void()> request)
    {
        thread_ = std::thread([this, request] {
            request();
            done_ = true;
        });
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (!done_ && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        finished_inside_ = done_;
    }
    void finish()
    {
        if (thread_.joinable()) thread_.join();
    }
    // Whether it completed while the first request was still running.
    bool finished_inside() const { return finished_inside_; }

private:
    std::thread thread_;
    std::atomic<bool> done_{false};
    bool finished_inside_ = false;
};

// Every case ends with the kernel's rules kept: no call that may wait was
// made above APC_LEVEL, and the test's thread is back at the passive level
// outside any critical region.
class DriverFixture : public ::testing::Test, public LoadedDriver {
protected:
    void SetUp() override { reset(); }
    void TearDown() override
    {
        if (loaded) unload();
        for (const std::string& fault : HostKernel::get().irql_faults_seen()) ADD_FAILURE() << fault;
        EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
        EXPECT_EQ(HostKernel::critical_region_depth(), 0);
    }
};

} // namespace kav::test
