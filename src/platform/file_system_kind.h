#pragma once

#include "platform/export.h"

#include <QString>

#include <cstdint>

namespace numio {

// Where a file lives, as far as sharing it goes: a network file system (a school's file server)
// has no shared memory between computers and its locks are slower and less sure.
enum class FileSystemKind { Local, Network };

// The door to the kind of file system a path is on.
class NUMIO_EXPORT FileSystems {
  public:
    virtual ~FileSystems() = default;
    // The kind of the file system holding `path`, or its nearest folder that is there (a file not
    // made yet). Local when it cannot be told.
    virtual FileSystemKind kindOf(const QString& path) const = 0;
};

// Asks the system (statfs on Linux; elsewhere every path is local).
class NUMIO_EXPORT SystemFileSystems : public FileSystems {
  public:
    FileSystemKind kindOf(const QString& path) const override;
};

// The kind of a file system by its statfs type number: the remote and cluster ones are network.
NUMIO_EXPORT FileSystemKind fileSystemKindOfType(std::uint32_t type);

} // namespace numio
