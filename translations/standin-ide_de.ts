<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Host</name>
    <message>
        <source>Tool Palette</source>
        <translation>Tool-Palette</translation>
    </message>
    <message>
        <source>Unknown exception</source>
        <translation>Unbekannte Ausnahme</translation>
    </message>
    <message>
        <source>No exception was given.</source>
        <translation>Es wurde keine Ausnahme übergeben.</translation>
    </message>
    <message>
        <source>An exception of an unknown type was raised.</source>
        <translation>Eine Ausnahme unbekannten Typs wurde ausgelöst.</translation>
    </message>
    <message>
        <source>Cannot read property &quot;%1&quot; of no object</source>
        <translation>Die Eigenschaft „%1“ kann ohne Objekt nicht gelesen werden</translation>
    </message>
    <message>
        <source>Property &quot;%1&quot; does not exist in class %2</source>
        <translation>Die Eigenschaft „%1“ gibt es in der Klasse %2 nicht</translation>
    </message>
    <message>
        <source>Cannot scale a font to %1 points at %2 pixels per inch</source>
        <translation>Eine Schrift kann nicht auf %1 Punkt bei %2 Pixeln pro Zoll skaliert werden</translation>
    </message>
    <message>
        <source>Image &quot;%1&quot; was given no pictures to read</source>
        <translation>Dem Bild „%1“ wurden keine Bilder zum Lesen gegeben</translation>
    </message>
    <message>
        <source>Cannot read image resource &quot;%1&quot;: %2</source>
        <translation>Die Bildressource „%1“ kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>RegisterPackageWizard was given no wizard</source>
        <translation>RegisterPackageWizard wurde kein Experte übergeben</translation>
    </message>
</context>
<context>
    <name>Registry</name>
    <message>
        <source>its folder &quot;%1&quot; cannot be created (%2)</source>
        <translation>sein Ordner „%1“ kann nicht angelegt werden (%2)</translation>
    </message>
    <message>
        <source>its folder &quot;%1&quot; cannot be written</source>
        <translation>in seinen Ordner „%1“ kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the file is read-only and holds no store yet</source>
        <translation>die Datei ist schreibgeschützt und enthält noch keinen Speicher</translation>
    </message>
    <message>
        <source>the path is a folder</source>
        <translation>der Pfad ist ein Ordner</translation>
    </message>
    <message>
        <source>the path is not a regular file</source>
        <translation>der Pfad ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>the file cannot be read (%1)</source>
        <translation>die Datei kann nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>the file is not a database or is corrupt</source>
        <translation>die Datei ist keine Datenbank oder ist beschädigt</translation>
    </message>
    <message>
        <source>the file is another program&apos;s database, not a registry store</source>
        <translation>die Datei ist die Datenbank eines anderen Programms, kein Registrierungsspeicher</translation>
    </message>
    <message>
        <source>&quot;%1&quot; beside it belongs to another database</source>
        <translation>„%1“ daneben gehört zu einer anderen Datenbank</translation>
    </message>
    <message>
        <source>the database failed (%1)</source>
        <translation>die Datenbank hat versagt (%1)</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>the file cannot be created (%1)</source>
        <translation>die Datei kann nicht angelegt werden (%1)</translation>
    </message>
    <message>
        <source>another process holds the file locked (waited %1 s)</source>
        <translation>ein anderer Prozess hält die Datei gesperrt (%1 s gewartet)</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the file cannot be opened or created</source>
        <translation>die Datei kann nicht geöffnet oder angelegt werden</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>the file cannot be read or written</source>
        <translation>die Datei kann nicht gelesen oder geschrieben werden</translation>
    </message>
    <message>
        <source>access is denied</source>
        <translation>der Zugriff wird verweigert</translation>
    </message>
    <message>
        <source>the database failed</source>
        <translation>die Datenbank hat versagt</translation>
    </message>
    <message>
        <source>another process is creating the store (waited %1 s)</source>
        <translation>ein anderer Prozess legt den Speicher gerade an (%1 s gewartet)</translation>
    </message>
    <message>
        <source>the file has gone (removed or moved) since the IDE opened it; put it back, or restart the IDE to begin a new store</source>
        <translation>die Datei ist nicht mehr da (gelöscht oder verschoben), seit die IDE sie geöffnet hat; legen Sie sie zurück, oder starten Sie die IDE neu, um einen neuen Speicher zu beginnen</translation>
    </message>
    <message>
        <source>the file was replaced by one without the store since the IDE opened it; put the store back, or restart the IDE to begin a new one</source>
        <translation>die Datei wurde durch eine ohne den Speicher ersetzt, seit die IDE sie geöffnet hat; legen Sie den Speicher zurück, oder starten Sie die IDE neu, um einen neuen zu beginnen</translation>
    </message>
    <message>
        <source>the store was written by a newer version of this program</source>
        <translation>der Speicher wurde von einer neueren Version dieses Programms geschrieben</translation>
    </message>
    <message>
        <source>%1 is %2 %3 long; the registry allows at most %4</source>
        <translation>%1 ist %2 %3 lang; die Registrierung erlaubt höchstens %4</translation>
    </message>
    <message>
        <source>begin a change</source>
        <translation>Beginnen einer Änderung</translation>
    </message>
    <message>
        <source>commit a change</source>
        <translation>Abschließen einer Änderung</translation>
    </message>
    <message>
        <source>create</source>
        <translation>Anlegen</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>erase</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>list</source>
        <translation>Auflisten</translation>
    </message>
    <message>
        <source>open the store</source>
        <translation>Öffnen des Speichers</translation>
    </message>
    <message>
        <source>read</source>
        <translation>Lesen</translation>
    </message>
    <message>
        <source>write</source>
        <translation>Schreiben</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; in key &quot;%3&quot;</source>
        <translation>%1 von „%2“ in Schlüssel „%3“</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot;</source>
        <translation>%1 von „%2“</translation>
    </message>
    <message>
        <source>%1 key &quot;%2&quot;</source>
        <translation>%1 des Schlüssels „%2“</translation>
    </message>
    <message>
        <source>Registry store &quot;%1&quot;: cannot %2: %3</source>
        <translation>Registrierungsspeicher „%1“: %2 nicht möglich: %3</translation>
    </message>
    <message>
        <source>the key name &quot;%1&quot;</source>
        <translation>der Schlüsselname „%1“</translation>
    </message>
    <message>
        <source>characters</source>
        <translation>Zeichen</translation>
    </message>
    <message>
        <source>no key is named</source>
        <translation>es ist kein Schlüssel angegeben</translation>
    </message>
    <message>
        <source>the value name</source>
        <translation>der Wertname</translation>
    </message>
    <message>
        <source>the value</source>
        <translation>der Wert</translation>
    </message>
    <message>
        <source>UTF-16 code units (2 bytes each)</source>
        <translation>UTF-16-Codeeinheiten (je 2 Bytes)</translation>
    </message>
    <message>
        <source>no section is named</source>
        <translation>es ist kein Abschnitt angegeben</translation>
    </message>
    <message>
        <source>move</source>
        <translation>verschieben</translation>
    </message>
    <message>
        <source>its journal &quot;%1&quot; is a folder</source>
        <translation>sein Journal „%1“ ist ein Ordner</translation>
    </message>
    <message>
        <source>its journal &quot;%1&quot; is a symbolic link, which SQLite does not follow</source>
        <translation>sein Journal „%1“ ist eine symbolische Verknüpfung, der SQLite nicht folgt</translation>
    </message>
    <message>
        <source>its journal &quot;%1&quot; is not a plain file</source>
        <translation>sein Journal „%1“ ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>the key name &quot;%1&quot; holds a NUL character, which ends a name in the registry</source>
        <translation>der Schlüsselname „%1“ enthält ein NUL-Zeichen, das in der Registrierung einen Namen beendet</translation>
    </message>
    <message>
        <source>the value name holds a NUL character, which ends a name in the registry</source>
        <translation>der Wertname enthält ein NUL-Zeichen, das in der Registrierung einen Namen beendet</translation>
    </message>
</context>
<context>
    <name>StandinIde</name>
    <message>
        <source>Stand-in IDE</source>
        <translation>Stand-in-IDE</translation>
    </message>
    <message>
        <source>&amp;Unload</source>
        <translation>&amp;Entladen</translation>
    </message>
    <message>
        <source>&amp;Load Again</source>
        <translation>&amp;Wieder laden</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>Install Packages</source>
        <translation>Packages installieren</translation>
    </message>
    <message>
        <source>Design &amp;packages:</source>
        <translation>Entwurfs-&amp;Packages:</translation>
    </message>
    <message>
        <source>Design packages</source>
        <translation>Entwurfs-Packages</translation>
    </message>
    <message>
        <source>Package</source>
        <translation>Package</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>File version</source>
        <translation>Dateiversion</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Add Design Package</source>
        <translation>Entwurfs-Package hinzufügen</translation>
    </message>
    <message>
        <source>packages (*.so);;All files (*)</source>
        <translation>Packages (*.so);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Loaded</source>
        <translation>Geladen</translation>
    </message>
    <message>
        <source>Unloaded</source>
        <translation>Entladen</translation>
    </message>
    <message>
        <source>Form designer</source>
        <translation>Formular-Designer</translation>
    </message>
    <message>
        <source>Main menu</source>
        <translation>Hauptmenü</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Tool Palette</source>
        <translation>Tool-Palette</translation>
    </message>
    <message>
        <source>Tool &amp;Palette</source>
        <translation>Tool-&amp;Palette</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New Form</source>
        <translation>&amp;Neues Formular</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>&amp;Öffnen...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Suchen</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>&amp;Suchen...</translation>
    </message>
    <message>
        <source>R&amp;eplace...</source>
        <translation>&amp;Ersetzen...</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>A&amp;nsicht</translation>
    </message>
    <message>
        <source>&amp;Project</source>
        <translation>&amp;Projekt</translation>
    </message>
    <message>
        <source>&amp;Build</source>
        <translation>&amp;Erzeugen</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Optionen...</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>Sta&amp;rt</translation>
    </message>
    <message>
        <source>&amp;Component</source>
        <translation>&amp;Komponente</translation>
    </message>
    <message>
        <source>Install &amp;Packages...</source>
        <translation>&amp;Packages installieren...</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>&amp;Fenster</translation>
    </message>
    <message>
        <source>&amp;Cascade</source>
        <translation>&amp;Überlappend</translation>
    </message>
    <message>
        <source>&amp;Tile</source>
        <translation>&amp;Nebeneinander</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Stand-in IDE...</source>
        <translation>&amp;Über die Stand-in-IDE...</translation>
    </message>
    <message>
        <source>About Stand-in IDE</source>
        <translation>Über die Stand-in-IDE</translation>
    </message>
    <message>
        <source>&lt;b&gt;Stand-in IDE %1&lt;/b&gt;&lt;p&gt;A small IDE shell that loads design-time packages and gives them a main menu, a tool palette and the host services they ask for.&lt;/p&gt;</source>
        <translation>&lt;b&gt;Stand-in-IDE %1&lt;/b&gt;&lt;p&gt;Eine kleine IDE-Hülle, die Entwurfs-Packages lädt und ihnen ein Hauptmenü, eine Tool-Palette und die Dienste des Hosts gibt, die sie verlangen.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Package file &quot;%1&quot; does not exist</source>
        <translation>Die Package-Datei „%1“ existiert nicht</translation>
    </message>
    <message>
        <source>Package file &quot;%1&quot; is not a file</source>
        <translation>Die Package-Datei „%1“ ist keine Datei</translation>
    </message>
    <message>
        <source>Package &quot;%1&quot; is already loaded (from &quot;%2&quot;)</source>
        <translation>Das Package „%1“ ist schon geladen (aus „%2“)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a package: it cannot be loaded as a shared library (%2)</source>
        <translation>„%1“ ist kein Package: es kann nicht als gemeinsame Bibliothek geladen werden (%2)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a package: it does not export %2</source>
        <translation>„%1“ ist kein Package: es exportiert %2 nicht</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a package: it describes itself without a name</source>
        <translation>„%1“ ist kein Package: es beschreibt sich ohne Namen</translation>
    </message>
    <message>
        <source>Package &quot;%1&quot; requires &quot;%2&quot;, which this IDE does not provide (it provides %3)</source>
        <translation>Das Package „%1“ verlangt „%2“, das diese IDE nicht bereitstellt (sie stellt %3 bereit)</translation>
    </message>
    <message>
        <source>No package named &quot;%1&quot; is loaded</source>
        <translation>Es ist kein Package namens „%1“ geladen</translation>
    </message>
    <message>
        <source>Tool palette tool bar</source>
        <translation>Werkzeugleiste der Tool-Palette</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Kategorien</translation>
    </message>
    <message>
        <source>Collapse or expand all categories</source>
        <translation>Alle Kategorien zu- oder aufklappen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search components</source>
        <translation>Komponenten suchen</translation>
    </message>
    <message>
        <source>Tool palette pages</source>
        <translation>Seiten der Tool-Palette</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
</TS>
