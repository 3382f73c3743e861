#include "util/util_strings.h"

namespace util {

const uictl::LocalizedStrings& util_strings() {
    static const uictl::LocalizedStrings strings{
        {
            {103, u"安装程序已检测到 Orvex Brimvault 当前正在运行.您执行了一次欠优化的安装,很可能安装后 Orvex Brimvault "
                  u"不能很稳定地运行.\n\n建议您卸除此次安装的 Orvex Brimvault,重新安装,并保证 Orvex Brimvault "
                  u"在安装过程中不再运行."},
        },
        {
            {103, u"The installer found Orvex Brimvault running. The installation may not be complete, and Orvex "
                  u"Brimvault may not run reliably after it.\n\nUninstall this installation of Orvex Brimvault and "
                  u"install it again while Orvex Brimvault is not running."},
        },
    };
    return strings;
}

}  // namespace util
