#pragma once

#include <QString>

// Whether some process has a file open, as /proc shows it. On Linux a program
// that shows a file does not stop others from deleting it, so the start-up check
// asks the process table instead: LibreOffice keeps the file open for as long as
// it shows the document.
class OpenFileScan {
public:
    // True when a process whose descriptors this user may read has the file at
    // `path` open (the same device and inode, whatever name it was opened by).
    static bool IsHeldOpen(const QString& path);
};
