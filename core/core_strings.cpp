#include "core/core_strings.h"

namespace brim {

const bk::StringTable& core_strings() {
    static const bk::StringTable table{
        {101, u"Deleted the job."},
        {102, u"Deleted all jobs."},
        {104, u"The format of the file has been damaged"},
        {106, u"Internal exception occurred"},
        {109, u"Unable to load the configuration file of Orvex Brimvault(%s)!"},
        {110, u"Orvex Brimvault loaded backed-up configuration file."},
        {111, u"Unable to save Orvex Brimvault configuration file(%s)!"},
        {112, u"Orvex Brimvault backed up configuration file."},
        {113, u"From file %s imported %d jobs."},
        {114, u"Unable to import jobs from file %s(%s)."},
        {115, u"Unable to export jobs to file %s(%s)."},
        {116, u"Unable to load the configuration data file(%s)!"},
        {117, u"The configuration data file has been damaged!"},
        {118, u"Unable to save the configuration data file(%s)!"},
        {119, u"Unable to get the reports file(%s)!"},
        {120, u"The format of the report file has been damaged"},
        {121, u"Unable to load the report file(%s)!"},
        {122, u"Unable to save the report file(%s)!"},
        {123, u"Unable to export the reports of the job to file %s(%s)."},
        {139, u"Sorry, the current version of Orvex Brimvault you are using is too low, please update "
              u"your Orvex Brimvault or get free conversion tools of backup set from Orvex Software Co., "
              u"Ltd."},
        {145, u"Out of memory"},
        {152, u"utf-8"},
        {153, u"Unable to export logs to file \"%s\"(%s)."},
        {196, u"Replaced the associated backup set on the destination when created the job."},
        {198, u"The password of some jobs has lost, Orvex Brimvault deleted these jobs automatically."},
        {520, u"The job \"%s\" was left out: its name cannot be the name of a file."},
        {521, u"The report file was damaged; it was kept as \"%s\" and a new one was started."},
        {522, u"Repaired the job store; the damaged files were kept as %s."},
        {523, u"The job store was read only in part; it is not saved before it is repaired"},
        {524, u"The passwords of the protected jobs could not be read; these jobs were left out until the job store is "
              u"repaired."},
        // backup engine
        {127, u"Executed backup operation on this job."},
        {128, u"Invalid job"},
        {129, u"Failed to execute backup operation(%s)!"},
        {130, u"The available space on the destination was not enough to back up the sources. Please select a new "
              u"destination that have enough space."},
        {133, u"The available space of the destination was not enough to restore the backup set. Please select a new "
              u"destination that have enough space."},
        {140, u"Unable to copy file \"%s\"(%s)."},
        {141, u"The contents of file \"%s\" was different from \"%s\"."},
        {142, u"Unable to verify file \"%s\"(%s)."},
        {143, u"Unable to back up file \"%s\"(%s)."},
        {144, u"The backup set has been damaged"},
        {190, u"Unable to parse \"%s\"(%s)."},
        {192, u"Unknown error"},
        {199, u"Replaced backed-up data with fully backup. This may lead data lost."},
        {203, u"No backed-up data is available on the data source."},
        {204, u"No copied data is available on the data source."},
        {206, u"Failed to reconstruct catalog header. Please build the backup set again, or the part of the "
              u"backed-up data cannot be restored."},
        {208, u"Deleted the backed-up data \"%s\"."},
        {209, u"Unable to verify the backed-up data (%s)."},
        {210, u"Retry to connect %d times while backing up."},
        {211, u"%d files have been read while backing up with advanced opened file backup."},
        {415, u"This kind of backup is not available in this version."},
        {416, u"The password of job and the associated backup set do not match"},
        // Opening a set, restoring from it and checking it.
        {146, u"Executed restoration operation on this job."},
        {147, u"Failed to execute restore(%s)!"},
        {148, u"Unable to restore file \"%s\"(%s)."},
        {149, u"The file did't be backed up correctly"},
        {154, u"The contents or part contents of the file has been lost"},
        {155, u"No available data to restore due to the backup set is incomplete"},
        {156, u"Unable to modify the attributes of file \"%s\"(%s)."},
        {157, u"Can't restore \"%s\" to FTP server(%s)."},
        {160, u"Unable to open the backup set \"%s\"(%s)!"},
        {161, u"The backup set \"%s\" does not exist"},
        {162, u"The version of the backup set was higher then the current Orvex Brimvault version"},
        {163, u"The backup set had security setting and failed to authenticate"},
        {164, u"The backup set your specified is not correct"},
        {165, u"Compression flag was found in the backup set, but the current Orvex Brimvault don't support "
              u"compression"},
        {166, u"Backed up data to floppy disk may lead data lost."},
        {167, u"The entire contents of the backup set has been replaced."},
        {168, u"The backup set on the destination was not blank and was created by another application. Orvex "
              u"Brimvault has cleared the entire contents."},
        {169, u"The backup set on the destination was incomplete. Orvex Brimvault has replaced the entire contents "
              u"of the backup set."},
        {170, u"The name leads outside the folder it is restored to"},
        {171, u"A symbolic link or another file stands where a folder belongs"},
        {172, u"None of the selected files could be restored"},
        // digests beside the set
        {560, u"The data of file \"%s\" of the run of %s does not match its digest: it has been damaged."},
        {561, u"The data read back does not match its digest: the stored file has been damaged"},
        {562, u"Read back the data of %u files of the backup set \"%s\": %u damaged, %u without a digest."},
        {563, u"The digest file \"%s\" is damaged after its first %u runs; the runs after them have no digests."},
        {564, u"The stored data of file \"%s\" does not match the digest written with it."},
        {565, u"The digests of the run could not be read back from \"%s\"."},
        {566, u"The check of the data was stopped before it had read every file."},
        // backup run
        // scheduled runs
        {590, u"Made up for the run scheduled for %s, which did not start (the computer was off or asleep)."},
        {591, u"The job has not run successfully for %d days."},
        {500, u"The destination had no room for both the backup set and the new one: the backup set was deleted "
              u"before the new one was written."},
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
        // FTP destinations
        {530, u"Can't rename the file on FTP server."},
        {531, u"The destination \"%s\" is on an FTP server the job has no log-on entry for."},
        {532, u"Backups of this kind cannot be written to an FTP server (\"%s\")."},
        {533, u"A symbolic link cannot be kept on an FTP server"},
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
        // job passwords
        {410, u"Unable to add password in the backup set \"%s\"(%s)!"},
        {411, u"The securify setting of the job has been changed."},
        {412, u"Unable to modify the password of the backup set \"%s\"(%s)!"},
        {413, u"The security setting of the job has been removed."},
        {414, u"Unable to remove the password of the backup set \"%s\"(%s)!"},
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
