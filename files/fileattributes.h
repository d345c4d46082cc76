#pragma once

#include <sys/stat.h>

// What a file that replaces another keeps of it besides the content: the
// group, the permission bits (but not set-user-ID and the like, on a file that
// now belongs to whoever saved it), the access ACL and the extended attributes
// an ordinary user may set (user.*). Where the group or the ACL cannot be
// given to the new file, the new file grants less than the old one did,
// never more: without its group, the group gets nothing; without its ACL, the
// owning group gets what the ACL gave it, and named users and groups nothing.
class FileAttributes
{
public:
    // From the file `from` (a descriptor of any kind, O_PATH included) whose
    // status is `old`, to the file open for writing `to`. False, with errno
    // set, when even the narrower rights could not be set.
    static bool copy(int from, const struct stat &old, int to);
};
