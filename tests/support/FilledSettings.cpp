#include "support/FilledSettings.h"

namespace velmora::test {

FormSettings everyFormControlChanged()
{
    FormSettings form;
    form.minute = "15.60, 1-2-3";
    form.mktChangeTime = "0:00";
    form.shortTimeFormat = "hh:nn";
    form.mktOpenTime = "18:00";
    form.mktCloseTime = "16:00";
    form.editExt = " csv ";
    form.dateSeparator = "-/";
    form.timeZoneEditValue = -7;
    form.dateCsvField = 2;
    form.radioButton1 = false;
    form.radioButton2 = true;
    form.checkBox1 = false;
    form.checkBox2 = false;
    form.checkBox3 = true;
    form.checkBox4 = true;
    form.checkBox6 = true;
    form.radioGroup1 = BarLabelling::ByEnd;
    form.mktOpenYoubi = 1;
    form.mktCloseYoubi = 6;
    form.top = -4;
    form.left = 1900;
    form.width = 800;
    form.height = 600;
    form.listBox = {"/data/EURUSD_1min_2009.txt", "C:\\fx\\USDJPY 1min.csv", "/データ/日本.txt"};
    return form;
}

SummerSettings filledSummerTable()
{
    SummerSettings summer;
    summer.checkBox1 = true;
    summer.openListBox = {"2009/03/08 2:00:00", "2010/03/14"};
    summer.closeListBox = {"2009/11/01 2:00:00", "2010/11/07"};
    summer.gapListBox = {"-60", "abc"};
    return summer;
}

} // namespace velmora::test
