#include "taskplan/dialogs/taskplan_strings.h"

namespace taskplan {
namespace {

// The scheduler's messages are the system's own in both tables.
#define SCHEDULER_MESSAGES                                                                                          \
    {2000, u"Scheduling Error"},                                                                                    \
        {2001, u"The cron service was not running. You cannot schedule a backup job until the cron service runs."   \
               u"\n\nDo you want to start the cron service now?"},                                                  \
        {2007, u"Failed to set job task, please set again."},                                                       \
        {2009, u"The starting date and time are set earlier than the current system time. This job will never be " \
               u"started by the cron service.\n\nDo you want to set a later start time?"},                          \
        {2012, u"%s. Orvex Brimvault cannot set the job schedule."},                                                \
        {2014, u"Orvex Brimvault was unable to start the cron service.\n\nStarting a system service needs the "     \
               u"administrator: ask one to run \"systemctl enable --now cron\" (or \"service cron start\"). The "    \
               u"schedules you set are kept and start once cron runs."},                                            \
        {340, u"%s,Orvex Brimvault unabled to start the cron service."}

}  // namespace

const uictl::LocalizedStrings& taskplan_strings() {
    static const uictl::LocalizedStrings strings{
        {
            SCHEDULER_MESSAGES,
            {2100, u"该任务的计划执行以用户 %s 的身份启动(crontab 属于该用户),不需要密码."},
            {2110, u"任务计划"},
            {2111, u"执行(&R)："},
            {2112, u"一次"},
            {2113, u"每天"},
            {2114, u"每周"},
            {2115, u"每月"},
            {2116, u"计算机启动时"},
            {2117, u"开始日期(&D)："},
            {2118, u"时间(&T)："},
            {2119, u"间隔(&E)："},
            {2120, u"天"},
            {2121, u"周"},
            {2122, u"在以下日子："},
            {2123, u"周日"},
            {2124, u"周一"},
            {2125, u"周二"},
            {2126, u"周三"},
            {2127, u"周四"},
            {2128, u"周五"},
            {2129, u"周六"},
            {2130, u"每月的日子(&M)(如 1,15)："},
            {2131, u"补做计算机关闭时错过的执行(&U)"},
            {2132, u"请至少选择一周中的一天."},
            {2133, u"请输入 1 到 31 之间的日子,以逗号分隔."},
            {2134, u"间隔必须界于 1 到 5000 之间."},
            {2135, u"确定(&O)"},
            {2136, u"取消(&C)"},
        },
        {
            SCHEDULER_MESSAGES,
            {2100, u"Scheduled runs of this job start as the user %s, who owns the crontab; no password is needed."},
            {2110, u"Schedule"},
            {2111, u"&Run:"},
            {2112, u"Once"},
            {2113, u"Daily"},
            {2114, u"Weekly"},
            {2115, u"Monthly"},
            {2116, u"When the computer starts"},
            {2117, u"Start &date:"},
            {2118, u"&Time:"},
            {2119, u"&Every:"},
            {2120, u"days"},
            {2121, u"weeks"},
            {2122, u"On these days:"},
            {2123, u"Sun"},
            {2124, u"Mon"},
            {2125, u"Tue"},
            {2126, u"Wed"},
            {2127, u"Thu"},
            {2128, u"Fri"},
            {2129, u"Sat"},
            {2130, u"Days of the &month (e.g. 1,15):"},
            {2131, u"Make &up a run missed while the computer was off"},
            {2132, u"Tick at least one day of the week."},
            {2133, u"Write the days of the month as numbers from 1 to 31, separated by commas."},
            {2134, u"The interval must be between 1 and 5000."},
            {2135, u"&OK"},
            {2136, u"&Cancel"},
        }};
    return strings;
}

}  // namespace taskplan
