// LibreOffice's single-instance socket. It always goes into /tmp (or /var/tmp when /tmp is not
// writable), whatever TMPDIR says, named after an MD5 of the user installation URL; a killed
// LibreOffice leaves it behind, so the converter removes it once the child has ended.
#pragma once

#include <string>

// "OSL_PIPE_<uid>_SingleOfficeIPC_<hash>" for a LibreOffice run with this user installation.
std::string LibreOfficePipeName(const std::u16string& userInstallationUrl, unsigned uid);

// Removes the socket a run with this user installation left in either folder.
void RemoveLibreOfficePipe(const std::u16string& userInstallationUrl);
