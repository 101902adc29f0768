#include "platform/system_error.h"

#include <cerrno>

std::u16string SystemErrorDescription(int code) {
  // The wording of the C library's own Chinese catalogue for the codes file work meets.
  switch (code) {
    case EPERM:
      return u"不允许的操作";
    case ENOENT:
      return u"没有那个文件或目录";
    case EIO:
      return u"输入/输出错误";
    case EBADF:
      return u"错误的文件描述符";
    case ENOMEM:
      return u"无法分配内存";
    case EACCES:
      return u"权限不够";
    case EBUSY:
      return u"设备或资源忙";
    case EEXIST:
      return u"文件已存在";
    case EXDEV:
      return u"无效的跨设备链接";
    case ENOTDIR:
      return u"不是目录";
    case EISDIR:
      return u"是一个目录";
    case EINVAL:
      return u"无效的参数";
    case ENFILE:
    case EMFILE:
      return u"打开的文件过多";
    case ETXTBSY:
      return u"文本文件忙";
    case EFBIG:
      return u"文件过大";
    case ENOSPC:
      return u"设备上没有空间";
    case EROFS:
      return u"只读文件系统";
    case ENAMETOOLONG:
      return u"文件名过长";
    case ELOOP:
      return u"符号连接的层数过多";
    case EDQUOT:
      return u"超出磁盘限额";
    default:
      return u"未知错误";
  }
}
