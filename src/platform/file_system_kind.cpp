#include "platform/file_system_kind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

namespace numio {

FileSystemKind fileSystemKindOfType(std::uint32_t type) {
    switch (type) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFE534D42: // SMB2
    case 0xFF534D42: // CIFS
    case 0x65735546: // FUSE (sshfs and the like; a local one is rare on a school's computers)
    case 0x5346414F: // AFS
    case 0x6B414653: // kAFS
    case 0x00C36400: // Ceph
    case 0x01021997: // 9P
    case 0x73757245: // Coda
    case 0x564C:     // NCP
    case 0x01161970: // GFS2
    case 0x7461636F: // OCFS2
    case 0x0BD00BD0: // Lustre
        return FileSystemKind::Network;
    default:
        return FileSystemKind::Local;
    }
}

FileSystemKind SystemFileSystems::kindOf(const QString& path) const {
#ifdef Q_OS_LINUX
    // A store about to be made: its folder, or the folder that folder will be made in.
    QFileInfo at(QFileInfo(path).absoluteFilePath());
    while (!at.exists() && !at.isRoot() && at.absoluteFilePath() != at.absolutePath())
        at = QFileInfo(at.absolutePath());
    struct statfs fs {};
    if (::statfs(QFile::encodeName(at.absoluteFilePath()).constData(), &fs) == 0)
        return fileSystemKindOfType(static_cast<std::uint32_t>(fs.f_type));
#else
    Q_UNUSED(path);
#endif
    return FileSystemKind::Local;
}

} // namespace numio
