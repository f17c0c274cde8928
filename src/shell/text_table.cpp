#include "text_table.h"

#include <QStringList>

namespace {

const std::array<TextTable::Entry, kTextCount> kEntries = {{
    {"KR470QX-V5 Tools V1.00", "KR470QX-V5 控制器工具程式 V1.00",
     "KR470QX-V5 控制器工具程式 V1.00"},
    {"Open communication port error!", "开启通讯阜错误!", "開啟通訊阜錯誤!"},
    {"Start connect device", "连线装置", "連線裝置"},
    {"&Language", "语言(&Language)", "語言(&Language)"},
    {"&File", "档案(&F)", "檔案(&F)"},
    {"&Setup", "设定(&S)", "設定(&S)"},
    {"E&xit", "离开(&x)", "離開(&x)"},
    {"&English", "&Simplified chinese(简体)", "&Traditional chinese(繁體)"},
    {"COM", "串列", "串列"},
    {"NET", "网路", "網路"},
    {"Speed:", "速率:", "速率:"},
    {"Port:", "连接阜:", "連接阜:"},
    {"Test card", "测试卡", "測試卡"},
    {"&Firmware file", "韧体档案(&F)", "韌體檔案(&F)"},
    {"Connect device", "连线装置", "連線裝置"},
    {"Connecting device ...", "连线装置中 ...", "連線裝置中 ..."},
    {"Connect device error!", "连线装置错误!", "連線裝置錯誤!"},
    {"Connect device ok.", "连线装置完成.", "連線裝置完成."},
    {"Command ok.", "指令完成.", "指令完成."},
    {"Command error!", "指令错误!", "指令錯誤!"},
    {"Basic test", "基本测试", "基本測試"},
    {"Function test", "功能测试", "功能測試"},
    {"Command test", "指令测试", "指令測試"},
    {"Firmware upgrade", "韧体更新", "韌體更新"},
    {"Cancel test", "取消测试", "取消測試"},
    {"DIDO test", "接点测试", "接點測試"},
    {"Pooling data test", "读取资料测试", "讀取資料測試"},
    {"Set factory", "设定出厂值", "設定出廠值"},
    {"Set reboot", "设定重新开机", "設定重新開機"},
    {"Set date and time", "设定日期时间", "設定日期時間"},
    {"Alarm test", "警报测试", "警報測試"},
    {"Controller command test", "控制器指令测试", "控制器指令測試"},
    {"Module command test", "模组指令测试", "模組指令測試"},
    {"Command test", "指令测试", "指令測試"},
    {"Send command:", "发送指令:", "發送指令:"},
    {"Receive data:", "接收资料:", "接收資料:"},
    {"Type:", "机型:", "機型:"},
    {"Firmware load", "韧体载入", "韌體載入"},
    {"Programming ...", "烧录载入中 ...", "燒錄載入中 ..."},
    {"Verifying ...", "检查中 ...", "檢查中 ..."},
    {"Upgrading ...", "更新中 ...", "更新中 ..."},
    {"Load firmware file error!", "载入韧体档案错误!", "載入韌體檔案錯誤!"},
    {"Note !", "注意!", "注意!"},
    {"Upgrading the firmware of the Product will lost some data on the Product. To ensure data "
     "security, it is recommended that you back up your data before update.",
     "注意：更新产品韧体会影响产品上的部分资料，为确保资料安全，建议您在更新韧体前先备份您的资料"
     "。",
     "注意：更新產品韌體會影響產品上的部分資料，為確保資料安全，建議您在更新韌體前先備份您的資料"
     "。"},
}};

}  // namespace

QString TextTable::Text(TextId id, Language language) {
    return QString::fromUtf8(Raw(static_cast<int>(id))[static_cast<int>(language)]);
}

QString TextTable::LanguageItem(Language language) {
    return QString::fromUtf8(
        kEntries[static_cast<int>(TextId::LanguageItems)][static_cast<int>(language)]);
}

const TextTable::Entry& TextTable::Raw(int index) {
    return kEntries.at(index);
}
