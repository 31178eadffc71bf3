<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CategoryEditor</name>
    <message numerus="yes">
        <source>the %n selected pages</source>
        <translation>
            <numerusform>the selected page</numerusform>
            <numerusform>the %n selected pages</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CategoryStore</name>
    <message numerus="yes">
        <source> and %Ln more</source>
        <translation>
            <numerusform> and %Ln more</numerusform>
            <numerusform> and %Ln more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>&quot;%1&quot; was written without %Ln of the categories&apos; entries: a category file cannot hold a name with &quot;=&quot; or a line break, or a line break in a category list, since it would read back as another entry. Left out: %2.</source>
        <translation>
            <numerusform>&quot;%1&quot; was written without %Ln of the categories&apos; entries: a category file cannot hold a name with &quot;=&quot; or a line break, or a line break in a category list, since it would read back as another entry. Left out: %2.</numerusform>
            <numerusform>&quot;%1&quot; was written without %Ln of the categories&apos; entries: a category file cannot hold a name with &quot;=&quot; or a line break, or a line break in a category list, since it would read back as another entry. Left out: %2.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PaletteMenu</name>
    <message numerus="yes">
        <source>%n more pages are not shown</source>
        <translation>
            <numerusform>%n more page is not shown</numerusform>
            <numerusform>%n more pages are not shown</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Replace the %Ln entries of your grouping with %1?</source>
        <extracomment>%1 is &quot;the ... read from&quot; a file, with the count of the file&apos;s entries.</extracomment>
        <translation>
            <numerusform>Replace the %Ln entry of your grouping with %1?</numerusform>
            <numerusform>Replace the %Ln entries of your grouping with %1?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the %Ln read from &quot;%1&quot;</source>
        <translation>
            <numerusform>the %Ln read from &quot;%1&quot;</numerusform>
            <numerusform>the %Ln read from &quot;%1&quot;</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln lines were left out.</source>
        <translation>
            <numerusform>%Ln line was left out.</numerusform>
            <numerusform>%Ln lines were left out.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Imported %Ln entries from &quot;%1&quot;; Undo Import brings back the grouping it replaced</source>
        <translation>
            <numerusform>Imported %Ln entry from &quot;%1&quot;; Undo Import brings back the grouping it replaced</numerusform>
            <numerusform>Imported %Ln entries from &quot;%1&quot;; Undo Import brings back the grouping it replaced</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Undo Import brought back the grouping of %Ln entries that &quot;%1&quot; replaced</source>
        <translation>
            <numerusform>Undo Import brought back the grouping of %Ln entry that &quot;%1&quot; replaced</numerusform>
            <numerusform>Undo Import brought back the grouping of %Ln entries that &quot;%1&quot; replaced</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Exported %Ln entries to &quot;%1&quot;</source>
        <translation>
            <numerusform>Exported %Ln entry to &quot;%1&quot;</numerusform>
            <numerusform>Exported %Ln entries to &quot;%1&quot;</numerusform>
        </translation>
    </message>
</context>
</TS>
