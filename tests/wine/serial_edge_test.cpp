// The drawer library's serial edge itself: it opens a port exclusively
// (share mode 0), so that a port another program holds is refused. Wine does
// not refuse a second create of a driver's device (SerialExportsTest.HeldPort),
// but it enforces sharing on files: the edge opens a file this test holds,
// sharing everything, as it would open a port.
#include "com_port_io.h"
#include "wine_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SerialEdge, OpensExclusivelySoAHeldPortIsRefused)
{
    const std::string path = kavwine::beside_this_program("held_port.bin");
    ASSERT_FALSE(path.empty());
    for (const bool overlapped : {false, true}) {
        SCOPED_TRACE(overlapped ? "overlapped" : "plain");
        kavwine::Handle holder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_ALWAYS, 0, nullptr));
        ASSERT_TRUE(holder.valid()) << GetLastError();
        SetLastError(ERROR_SUCCESS);
        const HANDLE refused = kav::drawers::open_com_port(path.c_str(), overlapped);
        const DWORD error = GetLastError();
        EXPECT_EQ(refused, INVALID_HANDLE_VALUE) << "a held port opened";
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (refused != INVALID_HANDLE_VALUE) CloseHandle(refused);
        holder.close();

        // Nobody holds it now: it opens, and the next program is refused.
        kavwine::Handle edge(kav::drawers::open_com_port(path.c_str(), overlapped));
        EXPECT_TRUE(edge.valid()) << "the file alone, error " << GetLastError();
        kavwine::Handle next(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
        const DWORD next_error = GetLastError();
        EXPECT_FALSE(next.valid()) << "a second program opened the port the edge holds";
        EXPECT_EQ(next_error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    DeleteFileA(path.c_str());
}

} // namespace
