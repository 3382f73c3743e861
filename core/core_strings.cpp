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
    };
    return table;
}

bk::String core_string(std::uint32_t id) { return core_strings().text(id); }

}  // namespace brim
