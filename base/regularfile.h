#pragma once
// Opening the files the program reads (pictures, shortcuts, the settings
// file) so that nothing in a folder can stall it: open() on a FIFO without a
// writer blocks forever, and a device or socket is never a picture. Only
// regular files are opened; everything else fails at once.
#include <cstdio>
#include <string>

namespace orvanta {

// A read-only, close-on-exec descriptor of the regular file at path, or -1
// with errno set: ENOENT when it is missing, EINVAL when it is not a regular
// file (FIFO, device, socket, directory). Never blocks.
int openRegularFile(const std::string& path);

// The same file as a stdio stream for reading ("rb"); nullptr on failure.
// The caller closes it with fclose.
std::FILE* fopenRegularFile(const std::string& path);

}  // namespace orvanta
