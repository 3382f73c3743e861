#include "app/app_strings.h"

namespace app {

const uictl::LocalizedStrings& app_strings() {
    static const uictl::LocalizedStrings strings{
        {
            {131, u"密码不正确,Orvex Brimvault 不能打开该备份集.\n(备份集“%s”)"},
            {205, u"Orvex Brimvault 成功启动."},
            {316, u"停止任务"},
            {318, u"程序有1个任务正在运行,您是否想停止该任务然后退出？\n(%s)"},
            {319, u"程序有%d个任务正在运行,您是否想停止该任务然后退出？\n(%s)"},
            {320, u"配置文件已经被破坏,Orvex Brimvault 尝试修复该文件并重新装载它."},
            {361, u"Orvex Brimvault 根据计划自动启动."},
            {366, u"配置文件已经被破坏,您是否想装载备份的配置文件？\n(备份于%s)"},
            {375, u"%s,Orvex Brimvault 不能启动演示教程."},
            {436, u"%s, Orvex Brimvault 不能打开该备份集.\n(备份集“%s”)"},
            {800, u"Orvex Brimvault"},
            {801, u"欢迎使用 Orvex Brimvault"},
            {802, u"另一个程序(%s)正在使用 Orvex Brimvault 的数据,请在它结束后再启动 Orvex Brimvault."},
            {803, u"正在启动..."},
            {805, u"备份已过期"},
            {806, u"任务“%s”已经%d天没有成功备份."},
            {807, u"此版本尚不能从这里新建任务,请使用 brimvault-cli job add."},
            {808, u"任务"},
            {809, u"任务名"},
            {810, u"类型"},
            {811, u"目的地"},
            {812, u"状态"},
            {813, u"上次备份"},
            {814, u"下次执行"},
            {815, u"备份(&B)"},
            {816, u"退出(&X)"},
            {817, u"显示 Orvex Brimvault(&S)"},
            {818, u"已有名为“%s”的任务,它的备份集在另一个位置"},
            {819, u"关闭"},
        },
        {
            {131, u"The password is not correct; Orvex Brimvault cannot open the backup set.\n(Backup set \"%s\")"},
            {205, u"Orvex Brimvault started successfully."},
            {316, u"Stop Job"},
            {318, u"1 job is running. Do you want to stop it and quit?\n(%s)"},
            {319, u"%d jobs are running. Do you want to stop them and quit?\n(%s)"},
            {320, u"The configuration file is damaged. Orvex Brimvault will try to repair and reload it."},
            {361, u"Orvex Brimvault was started by the schedule."},
            {366, u"The configuration file is damaged. Do you want to load the backed-up configuration file?\n"
                  u"(Backed up on %s)"},
            {375, u"%s; Orvex Brimvault cannot start the tutorial."},
            {436, u"%s; Orvex Brimvault cannot open the backup set.\n(Backup set \"%s\")"},
            {800, u"Orvex Brimvault"},
            {801, u"Welcome to Orvex Brimvault"},
            {802, u"Another program (%s) is using Orvex Brimvault's data. Start Orvex Brimvault again when it has "
                  u"ended."},
            {803, u"Starting..."},
            {805, u"Backup overdue"},
            {806, u"The job \"%s\" has not backed up successfully for %d days."},
            {807, u"This version cannot create jobs from here yet; use brimvault-cli job add."},
            {808, u"Jobs"},
            {809, u"Job"},
            {810, u"Kind"},
            {811, u"Destination"},
            {812, u"State"},
            {813, u"Last backup"},
            {814, u"Next run"},
            {815, u"&Backup"},
            {816, u"E&xit"},
            {817, u"&Show Orvex Brimvault"},
            {818, u"A job named \"%s\" exists already, with its backup set elsewhere"},
            {819, u"Close"},
        },
    };
    return strings;
}

}  // namespace app
