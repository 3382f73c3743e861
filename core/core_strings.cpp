#include "core/core_strings.h"

namespace brim {

const bk::StringTable& core_strings() {
    static const bk::StringTable table{
        {106, u"Internal exception occurred"},
        // backup run
        {129, u"Failed to execute backup operation(%s)!"},
        {192, u"Unknown error"},
        {211, u"%d files have been read while backing up with advanced opened file backup."},
        // open-file reader
        {232, u"Orvex Brimvault can't load Open File Backup module,reinstall the program properly."},
        {234, u"Current user has no privilege to back up opened files,user is non-administrator."},
        // burner run
        {237, u"One burning job at one time."},
        {238, u"Burning (%s) failed!"},
        {239, u"File %s is different from %s"},
        {240, u"Verifying burned data."},
        {241, u"Verifying burned data finished."},
        {242, u"%.2f GB"},
        {243, u"Add burn file %s ,size %s."},
        {244, u"Burning......"},
        {245, u"Initializing......"},
        {246, u"%.2f MB"},
        {247, u"0 MB"},
        {248, u"%.2f KB"},
        {249, u"Orvex Brimvault can't load burning module,make sure the program installed properly."},
        {250, u"%.2f B"},
        // FTP client
        {260, u"FTP exception was thrown."},
        {261, u"Can't initialize netword."},
        {262, u"%s,specified FTP server can't be connected."},
        {263, u"Can't delete the file from FTP server."},
        {264, u"Can't delete the directory from FTP server."},
        {265, u"Can't create directory on FTP server."},
        {266, u"Can't set current path on FTP server."},
        {267, u"Unknown FTP server,can't connect to FTP server."},
        {268, u"Can't get current path on specified FTP server."},
        {269, u"Can't list files and directories on FTP server."},
        {270, u"Can't get size of file on FTP Server."},
        {271, u"Operating system error,check network or if have rights to access."},
        {272, u"Incorrect parameters."},
        {280, u"Connect time out"},
        {281, u"DNS can't be resolved"},
        {282, u"Protocol can't be resolved"},
        {283, u"Remote server has been closed"},
        {284, u"Incorrect username"},
        {285, u"Incorrect password"},
        {286, u"Login failed"},
        {287, u"Connection failed"},
        {288, u"Connection pause"},
        {289, u"Connection reset"},
        {290, u"Errors while accessing to server"},
        // ciphers
        {401, u"Unsupported block mode"},
        {402, u"Unsupported operation direction"},
        {403, u"The key length was incorrect"},
        {404, u"The key is incorrect"},
        {405, u"Rijndael still not initialized"},
        {406, u"The operation direction was incorrect"},
        {407, u"The data is corrupted"},
        {408, u"The length of the inputing buffer was too long to encrypt"},
    };
    return table;
}

bk::String core_string(std::uint32_t id) { return core_strings().text(id); }

}  // namespace brim
