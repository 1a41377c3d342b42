; The installer's own texts, in the two languages of the program.

LangString RegisterSectionText ${LANG_ENGLISH} "Register with the host program"
LangString RegisterSectionText ${LANG_SIMPCHINESE} "注册到绘图软件"

LangString ElevatingText ${LANG_ENGLISH} "Asking for administrator rights to write the program files..."
LangString ElevatingText ${LANG_SIMPCHINESE} "正在请求管理员权限以写入程序文件..."

LangString NotInstalledText ${LANG_ENGLISH} "The program files were not installed: administrator rights were refused or the copy failed. Nothing was registered with the host program."
LangString NotInstalledText ${LANG_SIMPCHINESE} "程序文件未能安装：管理员权限被拒绝或复制失败。没有注册到绘图软件。"

LangString NotRemovedText ${LANG_ENGLISH} "Kerfmax was taken out of the host program, but its files were not removed: administrator rights were refused. Run the uninstaller again to remove them."
LangString NotRemovedText ${LANG_SIMPCHINESE} "Kerfmax 已从绘图软件中移除，但其文件未能删除：管理员权限被拒绝。请再次运行卸载程序以删除这些文件。"

LangString NoMacroDetailText ${LANG_ENGLISH} "Not registered with the host program: Kerfmax.dll is missing."
LangString NoMacroDetailText ${LANG_SIMPCHINESE} "未注册到绘图软件：缺少 Kerfmax.dll。"

LangString NoMacroText ${LANG_ENGLISH} "Kerfmax is installed, but not yet registered with the host program: the macro project Kerfmax.dll is not in $INSTDIR.$\r$\n$\r$\nTo make it: in the host program, open the macro editor, import Cutter.bas from $INSTDIR, and save the project as Kerfmax.dll in $INSTDIR (saving there needs administrator rights).$\r$\n$\r$\nThen close the host program and choose Start > Kerfmax > Register with the host program."
LangString NoMacroText ${LANG_SIMPCHINESE} "Kerfmax 已安装，但尚未注册到绘图软件：$INSTDIR 中没有宏工程 Kerfmax.dll。$\r$\n$\r$\n制作方法：在绘图软件中打开宏编辑器，导入 $INSTDIR 中的 Cutter.bas，并将工程保存为 $INSTDIR 中的 Kerfmax.dll（保存到该文件夹需要管理员权限）。$\r$\n$\r$\n然后关闭绘图软件，选择 开始 > Kerfmax > Register with the host program。"

LangString RegisterFailedText ${LANG_ENGLISH} "Kerfmax is installed, but the registration with the host program failed (the details list says why). Close the host program and choose Start > Kerfmax > Register with the host program to try again."
LangString RegisterFailedText ${LANG_SIMPCHINESE} "Kerfmax 已安装，但注册到绘图软件失败（详细信息列表中有原因）。请关闭绘图软件，然后选择 开始 > Kerfmax > Register with the host program 重试。"
