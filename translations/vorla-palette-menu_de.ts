<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CategoryEditor</name>
    <message>
        <source>Component Palette Categories</source>
        <translation>Kategorien der Komponentenpalette</translation>
    </message>
    <message>
        <source>Filter pages or categories</source>
        <translation>Seiten oder Kategorien filtern</translation>
    </message>
    <message>
        <source>Shows only the rows whose page or categories contain this text (Ctrl+F)</source>
        <translation>Zeigt nur die Zeilen, deren Seite oder Kategorien diesen Text enthalten (Strg+F)</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Palette page categories</source>
        <translation>Kategorien der Palettenseiten</translation>
    </message>
    <message>
        <source>One row per palette page. Type the page&apos;s categories in the Category column, separated by semicolons. Several rows can be selected to add or remove a category on all of them.</source>
        <translation>Eine Zeile je Palettenseite. Geben Sie die Kategorien der Seite in der Spalte Kategorie ein, durch Semikolons getrennt. Mehrere Zeilen lassen sich auswählen, um allen eine Kategorie hinzuzufügen oder zu entfernen.</translation>
    </message>
    <message>
        <source>Add Category...</source>
        <translation>Kategorie hinzufügen...</translation>
    </message>
    <message>
        <source>Add a category to every selected page</source>
        <translation>Jeder ausgewählten Seite eine Kategorie hinzufügen</translation>
    </message>
    <message>
        <source>Remove Category...</source>
        <translation>Kategorie entfernen...</translation>
    </message>
    <message>
        <source>Remove a category from every selected page</source>
        <translation>Eine Kategorie aus jeder ausgewählten Seite entfernen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Save the categories and close; if the store fails, the dialog stays open with every edit</source>
        <translation>Die Kategorien speichern und schließen; versagt der Speicher, bleibt der Dialog mit allen Änderungen offen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close without saving</source>
        <translation>Ohne Speichern schließen</translation>
    </message>
    <message>
        <source>Palette Page</source>
        <translation>Palettenseite</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Edit Cell</source>
        <translation>Zelle bearbeiten</translation>
    </message>
    <message>
        <source>Category names</source>
        <translation>Kategoriennamen</translation>
    </message>
    <message numerus="yes">
        <source>the %n selected pages</source>
        <translation>
            <numerusform>der ausgewählten Seite</numerusform>
            <numerusform>den %n ausgewählten Seiten</numerusform>
        </translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filtern</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <translation>%1: %2 (%3)</translation>
    </message>
    <message>
        <source>%1 or %2</source>
        <translation>%1 oder %2</translation>
    </message>
    <message>
        <source>The category editor has no store open: &quot;%1&quot;</source>
        <translation>Der Kategorieneditor hat keinen Speicher geöffnet: „%1“</translation>
    </message>
    <message>
        <source>(no category)</source>
        <translation>(keine Kategorie)</translation>
    </message>
    <message>
        <source>Categories Changed Meanwhile</source>
        <translation>Kategorien inzwischen geändert</translation>
    </message>
    <message>
        <source>The categories of page &quot;%1&quot; were changed in another window since this dialog opened.</source>
        <translation>Die Kategorien der Seite „%1“ wurden in einem anderen Fenster geändert, seit dieser Dialog geöffnet wurde.</translation>
    </message>
    <message>
        <source>Yours: %1
Stored now: %2</source>
        <translation>Ihre: %1
Jetzt gespeichert: %2</translation>
    </message>
    <message>
        <source>Keep Mine</source>
        <translation>Meine behalten</translation>
    </message>
    <message>
        <source>Keep Stored</source>
        <translation>Gespeicherte behalten</translation>
    </message>
    <message>
        <source>Do the same for the other pages changed meanwhile</source>
        <translation>Ebenso für die anderen inzwischen geänderten Seiten</translation>
    </message>
    <message>
        <source>Discard the changes you made to the categories?</source>
        <translation>Ihre Änderungen an den Kategorien verwerfen?</translation>
    </message>
    <message>
        <source>Add Category &quot;%1&quot;</source>
        <translation>Kategorie „%1“ hinzufügen</translation>
    </message>
    <message>
        <source>Remove Category &quot;%1&quot;</source>
        <translation>Kategorie „%1“ entfernen</translation>
    </message>
    <message>
        <source>Add Category</source>
        <translation>Kategorie hinzufügen</translation>
    </message>
    <message>
        <source>Category to add to %1:</source>
        <translation>Kategorie, die %1 hinzugefügt werden soll:</translation>
    </message>
    <message>
        <source>Category to add</source>
        <translation>Hinzuzufügende Kategorie</translation>
    </message>
    <message>
        <source>Remove Category</source>
        <translation>Kategorie entfernen</translation>
    </message>
    <message>
        <source>Category to remove from %1:</source>
        <translation>Kategorie, die aus %1 entfernt werden soll:</translation>
    </message>
    <message>
        <source>%1: one submenu with &apos;%2&apos;</source>
        <translation>%1: ein Untermenü mit „%2“</translation>
    </message>
</context>
<context>
    <name>CategoryStore</name>
    <message>
        <source>Cannot import &quot;%1&quot;: %2.</source>
        <translation>„%1“ kann nicht importiert werden: %2.</translation>
    </message>
    <message>
        <source>line %L1 %2</source>
        <translation>Zeile %L1 %2</translation>
    </message>
    <message>
        <source>Cannot export to &quot;%1&quot;: %2.</source>
        <translation>Nach „%1“ kann nicht exportiert werden: %2.</translation>
    </message>
    <message>
        <source>it is the IDE&apos;s own category store or one of its journals, which only the store itself may open</source>
        <translation>es ist der Kategorienspeicher der IDE oder eines seiner Journale, die nur der Speicher selbst öffnen darf</translation>
    </message>
    <message>
        <source>it is a folder, not a file</source>
        <translation>es ist ein Ordner, keine Datei</translation>
    </message>
    <message>
        <source>it is a device, not a plain file</source>
        <translation>es ist ein Gerät, keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is a named pipe, not a plain file</source>
        <translation>es ist eine benannte Pipe, keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is a socket, not a plain file</source>
        <translation>es ist ein Socket, keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is not a plain file</source>
        <translation>es ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>it is a symbolic link to &quot;%1&quot;, which does not exist</source>
        <translation>es ist ein symbolischer Link auf „%1“, das nicht existiert</translation>
    </message>
    <message>
        <source>its folder &quot;%1&quot; does not exist</source>
        <translation>sein Ordner „%1“ existiert nicht</translation>
    </message>
    <message>
        <source>there is no such file</source>
        <translation>diese Datei gibt es nicht</translation>
    </message>
    <message>
        <source>a folder on its path may not be entered (permission denied)</source>
        <translation>ein Ordner auf seinem Pfad darf nicht betreten werden (Zugriff verweigert)</translation>
    </message>
    <message>
        <source>its symbolic links form a loop</source>
        <translation>seine symbolischen Links bilden eine Schleife</translation>
    </message>
    <message>
        <source>a part of its path is not a folder</source>
        <translation>ein Teil seines Pfades ist kein Ordner</translation>
    </message>
    <message>
        <source>its name is too long</source>
        <translation>sein Name ist zu lang</translation>
    </message>
    <message>
        <source>the file is %L1 bytes long; a category file may be at most %L2</source>
        <translation>die Datei ist %L1 Bytes lang; eine Kategoriendatei darf höchstens %L2 lang sein</translation>
    </message>
    <message>
        <source>the file may not be read (permission denied)</source>
        <translation>die Datei darf nicht gelesen werden (Zugriff verweigert)</translation>
    </message>
    <message>
        <source>is not UTF-8, as the file&apos;s byte-order mark says</source>
        <translation>ist nicht UTF-8, wie die Bytereihenfolge-Markierung der Datei angibt</translation>
    </message>
    <message>
        <source>the file has a UTF-16 byte-order mark but an odd number of bytes</source>
        <translation>die Datei hat eine UTF-16-Bytereihenfolge-Markierung, aber eine ungerade Zahl von Bytes</translation>
    </message>
    <message>
        <source>the file has no byte-order mark, and this system offers no %1 converter to read it</source>
        <translation>die Datei hat keine Bytereihenfolge-Markierung, und dieses System bietet keinen %1-Konverter, um sie zu lesen</translation>
    </message>
    <message>
        <source>has a %1 of %L2 characters; the store allows at most %L3</source>
        <translation>hat einen %1 von %L2 Zeichen; der Speicher erlaubt höchstens %L3</translation>
    </message>
    <message>
        <source>holds a NUL character</source>
        <translation>enthält ein NUL-Zeichen</translation>
    </message>
    <message>
        <source>holds a NUL byte (a UTF-16 file needs a byte-order mark)</source>
        <translation>enthält ein NUL-Byte (eine UTF-16-Datei braucht eine Bytereihenfolge-Markierung)</translation>
    </message>
    <message>
        <source>is not valid UTF-16</source>
        <translation>ist kein gültiges UTF-16</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Namen</translation>
    </message>
    <message>
        <source>category list</source>
        <translation>Kategorienliste</translation>
    </message>
    <message numerus="yes">
        <source> and %Ln more</source>
        <translation>
            <numerusform> und %Ln weiterer</numerusform>
            <numerusform> und %Ln weitere</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>&quot;%1&quot; was written without %Ln of the categories&apos; entries: a category file cannot hold a name with &quot;=&quot; or a line break, or a line break in a category list, since it would read back as another entry. Left out: %2.</source>
        <translation>
            <numerusform>„%1“ wurde ohne einen der Kategorieneinträge geschrieben: Eine Kategoriendatei kann keinen Namen mit „=“ oder einem Zeilenumbruch und keinen Zeilenumbruch in einer Kategorienliste enthalten, da er als anderer Eintrag zurückgelesen würde. Ausgelassen: %2.</numerusform>
            <numerusform>„%1“ wurde ohne %Ln der Kategorieneinträge geschrieben: Eine Kategoriendatei kann keinen Namen mit „=“ oder einem Zeilenumbruch und keinen Zeilenumbruch in einer Kategorienliste enthalten, da er als anderer Eintrag zurückgelesen würde. Ausgelassen: %2.</numerusform>
        </translation>
    </message>
    <message>
        <source>; nothing was written</source>
        <translation>; nichts wurde geschrieben</translation>
    </message>
    <message>
        <source>only part of it could be written (%1)</source>
        <translation>nur ein Teil davon konnte geschrieben werden (%1)</translation>
    </message>
    <message>
        <source>it could not be written whole (%1)</source>
        <translation>sie konnte nicht vollständig geschrieben werden (%1)</translation>
    </message>
    <message>
        <source>it could not be written to disk (%1)</source>
        <translation>sie konnte nicht auf den Datenträger geschrieben werden (%1)</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>the disk quota is used up</source>
        <translation>das Kontingent auf dem Datenträger ist aufgebraucht</translation>
    </message>
    <message>
        <source>the file would be larger than the limit on the size of files (ulimit -f)</source>
        <translation>die Datei würde die Grenze für die Größe von Dateien (ulimit -f) überschreiten</translation>
    </message>
    <message>
        <source>its folder &quot;%1&quot; may not be written, and %2</source>
        <translation>in ihren Ordner „%1“ darf nicht geschrieben werden, und %2</translation>
    </message>
    <message>
        <source>the file is too large to be replaced in place safely</source>
        <translation>die Datei ist zu groß, um sie sicher an Ort und Stelle zu ersetzen</translation>
    </message>
    <message>
        <source>neither its folder &quot;%1&quot; nor the file may be written (%2)</source>
        <translation>weder in ihren Ordner „%1“ noch in die Datei darf geschrieben werden (%2)</translation>
    </message>
    <message>
        <source>the file could not be read to keep it (%1); nothing was written</source>
        <translation>die Datei konnte nicht gelesen werden, um sie aufzubewahren (%1); nichts wurde geschrieben</translation>
    </message>
    <message>
        <source>there is no room to write it in place (%1); %2</source>
        <translation>es ist kein Platz, um sie an Ort und Stelle zu schreiben (%1); %2</translation>
    </message>
    <message>
        <source>the old file is unchanged</source>
        <translation>die alte Datei ist unverändert</translation>
    </message>
    <message>
        <source>the old file is whole but has zero bytes at its end</source>
        <translation>die alte Datei ist vollständig, hat aber Null-Bytes an ihrem Ende</translation>
    </message>
    <message>
        <source>writing the file in place failed (%1); %2</source>
        <translation>das Schreiben der Datei an Ort und Stelle ist fehlgeschlagen (%1); %2</translation>
    </message>
    <message>
        <source>the old file was put back</source>
        <translation>die alte Datei wurde wiederhergestellt</translation>
    </message>
    <message>
        <source>the old file could not be put back</source>
        <translation>die alte Datei konnte nicht wiederhergestellt werden</translation>
    </message>
</context>
<context>
    <name>PaletteMenu</name>
    <message>
        <source>Component Palette Categories Files</source>
        <translation>Kategoriendateien der Komponentenpalette</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Laufwerk</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>%1-Datei</translation>
    </message>
    <message>
        <source>Open Import File</source>
        <translation>Importdatei öffnen</translation>
    </message>
    <message>
        <source>Save Export File</source>
        <translation>Exportdatei speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1, in %2</source>
        <translation>%1, in %2</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Zuletzt gewählt</translation>
    </message>
    <message>
        <source>All Pages</source>
        <translation>Alle Seiten</translation>
    </message>
    <message>
        <source>No page matches &quot;%1&quot;</source>
        <translation>Keine Seite passt zu „%1“</translation>
    </message>
    <message>
        <source>Find Page</source>
        <translation>Seite finden</translation>
    </message>
    <message>
        <source>Find page</source>
        <translation>Seite finden</translation>
    </message>
    <message>
        <source>Type a page&apos;s name or one of its categories</source>
        <translation>Namen einer Seite oder eine ihrer Kategorien eingeben</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>P&amp;alette</source>
        <translation>P&amp;alette</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Sonstige</translation>
    </message>
    <message>
        <source>&amp;Find Page...</source>
        <translation>Seite &amp;finden...</translation>
    </message>
    <message>
        <source>&amp;Edit Categories...</source>
        <translation>Kategorien &amp;bearbeiten...</translation>
    </message>
    <message>
        <source>&amp;Import...</source>
        <translation>&amp;Importieren...</translation>
    </message>
    <message>
        <source>&amp;Undo Import</source>
        <translation>Import &amp;rückgängig machen</translation>
    </message>
    <message>
        <source>E&amp;xport...</source>
        <translation>E&amp;xportieren...</translation>
    </message>
    <message numerus="yes">
        <source>%n more pages are not shown</source>
        <translation>
            <numerusform>%n weitere Seite wird nicht gezeigt</numerusform>
            <numerusform>%n weitere Seiten werden nicht gezeigt</numerusform>
        </translation>
    </message>
    <message>
        <source>Palette Menu at Mouse</source>
        <translation>Palettenmenü am Mauszeiger</translation>
    </message>
    <message numerus="yes">
        <source>Replace the %Ln entries of your grouping with %1?</source>
        <extracomment>%1 is &quot;the ... read from&quot; a file, with the count of the file&apos;s entries.</extracomment>
        <translation>
            <numerusform>Den %Ln Eintrag Ihrer Gruppierung durch %1 ersetzen?</numerusform>
            <numerusform>Die %Ln Einträge Ihrer Gruppierung durch %1 ersetzen?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the %Ln read from &quot;%1&quot;</source>
        <translation>
            <numerusform>den %Ln aus „%1“ gelesenen</numerusform>
            <numerusform>die %Ln aus „%1“ gelesenen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln lines were left out.</source>
        <translation>
            <numerusform>%Ln Zeile wurde ausgelassen.</numerusform>
            <numerusform>%Ln Zeilen wurden ausgelassen.</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>A line without &quot;=&quot; or one that names an entry again adds no entry of its own.</source>
        <translation>Eine Zeile ohne „=“ oder eine, die einen Eintrag erneut nennt, ergibt keinen eigenen Eintrag.</translation>
    </message>
    <message>
        <source>Undo Import brings back the grouping as it is now.</source>
        <translation>„Import rückgängig machen“ bringt die Gruppierung zurück, wie sie jetzt ist.</translation>
    </message>
    <message>
        <source>The folder cannot be written, so the file will be overwritten in place. Continue?</source>
        <translation>In den Ordner kann nicht geschrieben werden, daher wird die Datei an Ort und Stelle überschrieben. Fortfahren?</translation>
    </message>
    <message>
        <source>Should the IDE be ended while the file is being written, the file may be left damaged.</source>
        <translation>Wird die IDE beendet, während die Datei geschrieben wird, kann die Datei beschädigt zurückbleiben.</translation>
    </message>
    <message>
        <source>Importing &quot;%1&quot;...</source>
        <translation>„%1“ wird importiert...</translation>
    </message>
    <message>
        <source>&quot;%1&quot; holds no entries; the grouping is unchanged</source>
        <translation>„%1“ enthält keine Einträge; die Gruppierung ist unverändert</translation>
    </message>
    <message numerus="yes">
        <source>Imported %Ln entries from &quot;%1&quot;; Undo Import brings back the grouping it replaced</source>
        <translation>
            <numerusform>%Ln Eintrag aus „%1“ importiert; „Import rückgängig machen“ bringt die ersetzte Gruppierung zurück</numerusform>
            <numerusform>%Ln Einträge aus „%1“ importiert; „Import rückgängig machen“ bringt die ersetzte Gruppierung zurück</numerusform>
        </translation>
    </message>
    <message>
        <source>Bringing back the grouping before &quot;%1&quot;...</source>
        <translation>Die Gruppierung vor „%1“ wird zurückgebracht...</translation>
    </message>
    <message>
        <source>The grouping has changed since &quot;%1&quot; was imported; Undo Import changed nothing</source>
        <translation>Die Gruppierung hat sich geändert, seit „%1“ importiert wurde; „Import rückgängig machen“ hat nichts geändert</translation>
    </message>
    <message numerus="yes">
        <source>Undo Import brought back the grouping of %Ln entries that &quot;%1&quot; replaced</source>
        <translation>
            <numerusform>„Import rückgängig machen“ hat die Gruppierung aus %Ln Eintrag zurückgebracht, die „%1“ ersetzt hatte</numerusform>
            <numerusform>„Import rückgängig machen“ hat die Gruppierung aus %Ln Einträgen zurückgebracht, die „%1“ ersetzt hatte</numerusform>
        </translation>
    </message>
    <message>
        <source>Exporting to &quot;%1&quot;...</source>
        <translation>Export nach „%1“...</translation>
    </message>
    <message numerus="yes">
        <source>Exported %Ln entries to &quot;%1&quot;</source>
        <translation>
            <numerusform>%Ln Eintrag nach „%1“ exportiert</numerusform>
            <numerusform>%Ln Einträge nach „%1“ exportiert</numerusform>
        </translation>
    </message>
</context>
</TS>
