#pragma once

#include <sys/stat.h>
#include <sys/types.h>

// A file as the system tells files apart: the same file under any name, link
// or hard link has the same FileId.
struct FileId {
    dev_t Device = 0;
    ino_t Inode = 0;

    static FileId Of(const struct stat& info) { return {info.st_dev, info.st_ino}; }
    friend bool operator==(const FileId&, const FileId&) = default;
};
