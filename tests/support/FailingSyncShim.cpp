// Loaded into the real program with LD_PRELOAD: fsync() and fdatasync() of a
// regular file fail with EIO, as on a USB stick that is failing or an NFS
// share out of quota at commit time. Folders sync as usual.
#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>

namespace {

bool isRegularFile(int fd)
{
    struct stat info{};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

template<typename Sync>
int syncUnlessFile(const char *name, int fd)
{
    if (isRegularFile(fd)) {
        errno = EIO;
        return -1;
    }
    return reinterpret_cast<Sync>(dlsym(RTLD_NEXT, name))(fd);
}

} // namespace

extern "C" int fsync(int fd)
{
    return syncUnlessFile<int (*)(int)>("fsync", fd);
}

extern "C" int fdatasync(int fd)
{
    return syncUnlessFile<int (*)(int)>("fdatasync", fd);
}
