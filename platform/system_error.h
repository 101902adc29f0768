// The system's error codes as the user reads them: "（系统错误 %d：%s）" with a Chinese
// description, since the C library here describes errors only in English.
#pragma once

#include <string>

// The description of an errno value ("没有那个文件或目录"); "未知错误" for codes not listed.
std::u16string SystemErrorDescription(int code);
