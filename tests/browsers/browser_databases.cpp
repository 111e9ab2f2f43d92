#include "tests/browsers/browser_databases.h"

#include <sqlite3.h>

#include "browsers/sqlite_connection.h"
#include "platform/utf8.h"

namespace nivaro::test {
namespace {

// ---- Chromium History: version 70 (today) and version 43 (2020) --------------------------------

constexpr std::string_view kHistory70 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('mmap_status','-1');
INSERT INTO meta VALUES('version','70');
INSERT INTO meta VALUES('last_compatible_version','16');
CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT,url LONGVARCHAR,title LONGVARCHAR,visit_count INTEGER DEFAULT 0 NOT NULL,typed_count INTEGER DEFAULT 0 NOT NULL,last_visit_time INTEGER NOT NULL,hidden INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT,url INTEGER NOT NULL,visit_time INTEGER NOT NULL,from_visit INTEGER,external_referrer_url TEXT,transition INTEGER DEFAULT 0 NOT NULL,segment_id INTEGER,visit_duration INTEGER DEFAULT 0 NOT NULL,incremented_omnibox_typed_score BOOLEAN DEFAULT FALSE NOT NULL,opener_visit INTEGER,originator_cache_guid TEXT,originator_visit_id INTEGER,originator_from_visit INTEGER,originator_opener_visit INTEGER,is_known_to_sync BOOLEAN DEFAULT FALSE NOT NULL,consider_for_ntp_most_visited BOOLEAN DEFAULT FALSE NOT NULL,visited_link_id INTEGER DEFAULT 0 NOT NULL,app_id TEXT);
CREATE TABLE visit_source(id INTEGER PRIMARY KEY,source INTEGER NOT NULL);
CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL,url_id INTEGER NOT NULL,term LONGVARCHAR NOT NULL,normalized_term LONGVARCHAR NOT NULL);
CREATE TABLE downloads (id INTEGER PRIMARY KEY,guid VARCHAR NOT NULL,current_path LONGVARCHAR NOT NULL,target_path LONGVARCHAR NOT NULL,start_time INTEGER NOT NULL,received_bytes INTEGER NOT NULL,total_bytes INTEGER NOT NULL,state INTEGER NOT NULL,danger_type INTEGER NOT NULL,interrupt_reason INTEGER NOT NULL,hash BLOB NOT NULL,end_time INTEGER NOT NULL,opened INTEGER NOT NULL,last_access_time INTEGER NOT NULL,transient INTEGER NOT NULL,referrer VARCHAR NOT NULL,site_url VARCHAR NOT NULL,embedder_download_data VARCHAR NOT NULL,tab_url VARCHAR NOT NULL,tab_referrer_url VARCHAR NOT NULL,http_method VARCHAR NOT NULL,by_ext_id VARCHAR NOT NULL,by_ext_name VARCHAR NOT NULL,by_web_app_id VARCHAR NOT NULL,etag VARCHAR NOT NULL,last_modified VARCHAR NOT NULL,mime_type VARCHAR(255) NOT NULL,original_mime_type VARCHAR(255) NOT NULL);
CREATE TABLE downloads_url_chains (id INTEGER NOT NULL,chain_index INTEGER NOT NULL,url LONGVARCHAR NOT NULL, PRIMARY KEY (id, chain_index) );
CREATE TABLE downloads_slices (download_id INTEGER NOT NULL,offset INTEGER NOT NULL,received_bytes INTEGER NOT NULL,finished INTEGER NOT NULL DEFAULT 0,PRIMARY KEY (download_id, offset) );
CREATE TABLE segments (id INTEGER PRIMARY KEY,name VARCHAR,url_id INTEGER NON NULL);
CREATE TABLE segment_usage (id INTEGER PRIMARY KEY,segment_id INTEGER NOT NULL,time_slot INTEGER NOT NULL,visit_count INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE content_annotations(visit_id INTEGER PRIMARY KEY,visibility_score NUMERIC,floc_protected_score NUMERIC,categories VARCHAR,page_topics_model_version INTEGER,annotation_flags INTEGER NOT NULL,entities VARCHAR,related_searches VARCHAR,search_normalized_url VARCHAR,search_terms LONGVARCHAR,alternative_title VARCHAR,page_language VARCHAR,password_state INTEGER DEFAULT 0 NOT NULL,has_url_keyed_image BOOLEAN NOT NULL);
CREATE TABLE context_annotations(visit_id INTEGER PRIMARY KEY,context_annotation_flags INTEGER NOT NULL,duration_since_last_visit INTEGER,page_end_reason INTEGER,total_foreground_duration INTEGER,browser_type INTEGER DEFAULT 0 NOT NULL,window_id INTEGER DEFAULT -1 NOT NULL,tab_id INTEGER DEFAULT -1 NOT NULL,task_id INTEGER DEFAULT -1 NOT NULL,root_task_id INTEGER DEFAULT -1 NOT NULL,parent_task_id INTEGER DEFAULT -1 NOT NULL,response_code INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE clusters(cluster_id INTEGER PRIMARY KEY AUTOINCREMENT,should_show_on_prominent_ui_surfaces BOOLEAN NOT NULL,label VARCHAR NOT NULL,raw_label VARCHAR NOT NULL,triggerability_calculated BOOLEAN NOT NULL,originator_cache_guid TEXT NOT NULL,originator_cluster_id INTEGER NOT NULL);
CREATE TABLE clusters_and_visits(cluster_id INTEGER NOT NULL,visit_id INTEGER NOT NULL,score NUMERIC DEFAULT 0 NOT NULL,engagement_score NUMERIC DEFAULT 0 NOT NULL,url_for_deduping LONGVARCHAR NOT NULL,normalized_url LONGVARCHAR NOT NULL,url_for_display LONGVARCHAR NOT NULL,interaction_state INTEGER DEFAULT 0 NOT NULL,PRIMARY KEY(cluster_id,visit_id))WITHOUT ROWID;
CREATE TABLE cluster_keywords(cluster_id INTEGER NOT NULL,keyword VARCHAR NOT NULL,type INTEGER NOT NULL,score NUMERIC NOT NULL,collections VARCHAR NOT NULL);
CREATE TABLE cluster_visit_duplicates(visit_id INTEGER NOT NULL,duplicate_visit_id INTEGER NOT NULL,PRIMARY KEY(visit_id,duplicate_visit_id))WITHOUT ROWID;
CREATE TABLE visited_links(id INTEGER PRIMARY KEY AUTOINCREMENT,link_url_id INTEGER NOT NULL,top_level_url LONGVARCHAR NOT NULL,frame_url LONGVARCHAR NOT NULL,visit_count INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE history_sync_metadata (storage_key INTEGER PRIMARY KEY NOT NULL, value BLOB);
CREATE INDEX visits_url_index ON visits (url);
CREATE INDEX visits_from_index ON visits (from_visit);
CREATE INDEX visits_time_index ON visits (visit_time);
CREATE INDEX visits_originator_id_index ON visits (originator_visit_id);
CREATE INDEX keyword_search_terms_index1 ON keyword_search_terms (keyword_id, normalized_term);
CREATE INDEX keyword_search_terms_index2 ON keyword_search_terms (url_id);
CREATE INDEX keyword_search_terms_index3 ON keyword_search_terms (term);
CREATE INDEX segments_name ON segments(name);
CREATE INDEX segments_url_id ON segments(url_id);
CREATE INDEX segment_usage_time_slot_segment_id ON segment_usage(time_slot, segment_id);
CREATE INDEX segments_usage_seg_id ON segment_usage(segment_id);
CREATE INDEX clusters_for_visit ON clusters_and_visits(visit_id);
CREATE INDEX cluster_keywords_cluster_id_index ON cluster_keywords(cluster_id);
CREATE INDEX visited_links_index ON visited_links (link_url_id, top_level_url, frame_url);
CREATE INDEX urls_url_index ON urls (url);
)sql";

constexpr std::string_view kHistory43 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('mmap_status','-1');
INSERT INTO meta VALUES('version','43');
INSERT INTO meta VALUES('last_compatible_version','16');
CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT,url LONGVARCHAR,title LONGVARCHAR,visit_count INTEGER DEFAULT 0 NOT NULL,typed_count INTEGER DEFAULT 0 NOT NULL,last_visit_time INTEGER NOT NULL,hidden INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE visits(id INTEGER PRIMARY KEY,url INTEGER NOT NULL,visit_time INTEGER NOT NULL,from_visit INTEGER,transition INTEGER DEFAULT 0 NOT NULL,segment_id INTEGER,visit_duration INTEGER DEFAULT 0 NOT NULL,incremented_omnibox_typed_score BOOLEAN DEFAULT FALSE NOT NULL,publicly_routable BOOLEAN DEFAULT FALSE NOT NULL);
CREATE TABLE visit_source(id INTEGER PRIMARY KEY,source INTEGER NOT NULL);
CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL,url_id INTEGER NOT NULL,term LONGVARCHAR NOT NULL,normalized_term LONGVARCHAR NOT NULL);
CREATE TABLE downloads (id INTEGER PRIMARY KEY,guid VARCHAR NOT NULL,current_path LONGVARCHAR NOT NULL,target_path LONGVARCHAR NOT NULL,start_time INTEGER NOT NULL,received_bytes INTEGER NOT NULL,total_bytes INTEGER NOT NULL,state INTEGER NOT NULL,danger_type INTEGER NOT NULL,interrupt_reason INTEGER NOT NULL,hash BLOB NOT NULL,end_time INTEGER NOT NULL,opened INTEGER NOT NULL,last_access_time INTEGER NOT NULL,transient INTEGER NOT NULL,referrer VARCHAR NOT NULL,site_url VARCHAR NOT NULL,tab_url VARCHAR NOT NULL,tab_referrer_url VARCHAR NOT NULL,http_method VARCHAR NOT NULL,by_ext_id VARCHAR NOT NULL,by_ext_name VARCHAR NOT NULL,etag VARCHAR NOT NULL,last_modified VARCHAR NOT NULL,mime_type VARCHAR(255) NOT NULL,original_mime_type VARCHAR(255) NOT NULL);
CREATE TABLE downloads_url_chains (id INTEGER NOT NULL,chain_index INTEGER NOT NULL,url LONGVARCHAR NOT NULL, PRIMARY KEY (id, chain_index) );
CREATE TABLE downloads_slices (download_id INTEGER NOT NULL,offset INTEGER NOT NULL,received_bytes INTEGER NOT NULL,finished INTEGER NOT NULL DEFAULT 0,PRIMARY KEY (download_id, offset) );
CREATE TABLE segments (id INTEGER PRIMARY KEY,name VARCHAR,url_id INTEGER NON NULL);
CREATE TABLE segment_usage (id INTEGER PRIMARY KEY,segment_id INTEGER NOT NULL,time_slot INTEGER NOT NULL,visit_count INTEGER DEFAULT 0 NOT NULL);
CREATE TABLE typed_url_sync_metadata (storage_key INTEGER PRIMARY KEY NOT NULL,value BLOB);
CREATE TABLE content_annotations (visit_id INTEGER PRIMARY KEY,floc_protected_score DECIMAL(3, 2),categories VARCHAR,page_topics_model_version INTEGER);
CREATE INDEX visits_url_index ON visits (url);
CREATE INDEX visits_from_index ON visits (from_visit);
CREATE INDEX visits_time_index ON visits (visit_time);
CREATE INDEX segments_name ON segments(name);
CREATE INDEX segments_url_id ON segments(url_id);
CREATE INDEX segment_usage_time_slot_segment_id ON segment_usage(time_slot, segment_id);
CREATE INDEX segments_usage_seg_id ON segment_usage(segment_id);
CREATE INDEX urls_url_index ON urls (url);
CREATE INDEX keyword_search_terms_index1 ON keyword_search_terms (keyword_id, normalized_term);
CREATE INDEX keyword_search_terms_index2 ON keyword_search_terms (url_id);
CREATE INDEX keyword_search_terms_index3 ON keyword_search_terms (term);
)sql";

// Rows both generations hold: a bookmarked page, three visited ones (one with an address long
// enough to spill into overflow pages), a search, a segment and two downloads.
constexpr std::string_view kHistoryRows = R"sql(
INSERT INTO urls(id,url,title,visit_count,typed_count,last_visit_time) VALUES
 (1,'https://kept.example/nivaro-kept-bookmark','Kept page',4,1,13350000000000000),
 (2,'https://gone.example/nivaro-gone-page','nivaro-gone title',2,0,13350000000000001),
 (3,'https://search.example/search?q=nivaro-gone-query','Search',1,0,13350000000000002),
 (4,'https://gone.example/nivaro-gone-long/' || hex(zeroblob(3000)),'Long',1,0,13350000000000003);
INSERT INTO visits(id,url,visit_time,transition) VALUES (1,1,13350000000000000,1),(2,2,13350000000000001,0),
 (3,2,13350000000000004,0),(4,3,13350000000000002,1),(5,4,13350000000000003,0);
INSERT INTO visit_source VALUES (2,1);
INSERT INTO keyword_search_terms VALUES (2,3,'nivaro-gone-query','nivaro-gone-query');
INSERT INTO segments VALUES (1,'http://gone.example/nivaro-gone-segment',2);
INSERT INTO segment_usage VALUES (1,1,13350000000000000,2);
INSERT INTO downloads_url_chains VALUES (1,0,'https://gone.example/nivaro-download.zip'),
 (2,0,'https://gone.example/nivaro-download-second.pdf');
INSERT INTO downloads_slices VALUES (1,0,100,1);
)sql";

constexpr std::string_view kHistory70Rows = R"sql(
INSERT INTO downloads VALUES (1,'guid-1','C:\Users\me\Downloads\nivaro-download.zip','C:\Users\me\Downloads\nivaro-download.zip',1,100,100,1,0,0,x'',2,0,2,0,'https://gone.example/','https://gone.example/','','https://gone.example/nivaro-download-tab','','GET','','','','','','application/zip','application/zip'),
 (2,'guid-2','','C:\Users\me\Downloads\nivaro-download-second.pdf',3,0,10,2,0,0,x'',4,0,4,0,'','','','','','GET','','','','','','application/pdf','application/pdf');
INSERT INTO content_annotations(visit_id,annotation_flags,search_terms,has_url_keyed_image) VALUES (4,0,'nivaro-gone-query',0);
INSERT INTO context_annotations(visit_id,context_annotation_flags) VALUES (2,0);
INSERT INTO clusters VALUES (1,1,'nivaro-gone-cluster','nivaro-gone-cluster',1,'',0);
INSERT INTO clusters_and_visits(cluster_id,visit_id,url_for_deduping,normalized_url,url_for_display) VALUES
 (1,2,'https://gone.example/nivaro-gone-page','https://gone.example/nivaro-gone-page','gone.example/nivaro-gone-page');
INSERT INTO cluster_keywords VALUES (1,'nivaro-gone-keyword',1,1.0,'');
INSERT INTO cluster_visit_duplicates VALUES (2,3);
INSERT INTO visited_links(link_url_id,top_level_url,frame_url,visit_count) VALUES (2,'https://gone.example/nivaro-gone-top','https://gone.example/nivaro-gone-frame',1);
)sql";

constexpr std::string_view kHistory43Rows = R"sql(
INSERT INTO downloads VALUES (1,'guid-1','C:\Users\me\Downloads\nivaro-download.zip','C:\Users\me\Downloads\nivaro-download.zip',1,100,100,1,0,0,x'',2,0,2,0,'https://gone.example/','https://gone.example/','https://gone.example/nivaro-download-tab','','GET','','','','','application/zip','application/zip'),
 (2,'guid-2','','C:\Users\me\Downloads\nivaro-download-second.pdf',3,0,10,2,0,0,x'',4,0,4,0,'','','','','GET','','','','','application/pdf','application/pdf');
INSERT INTO content_annotations VALUES (4,0.5,'nivaro-gone-category',1);
)sql";

// ---- Chromium Favicons: version 8 (today) and version 6 ----------------------------------------

constexpr std::string_view kFavicons8 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','8');
INSERT INTO meta VALUES('last_compatible_version','8');
CREATE TABLE icon_mapping(id INTEGER PRIMARY KEY,page_url LONGVARCHAR NOT NULL,icon_id INTEGER);
CREATE TABLE favicons(id INTEGER PRIMARY KEY,url LONGVARCHAR NOT NULL,icon_type INTEGER DEFAULT 1);
CREATE TABLE favicon_bitmaps(id INTEGER PRIMARY KEY,icon_id INTEGER NOT NULL,last_updated INTEGER DEFAULT 0,image_data BLOB,width INTEGER DEFAULT 0,height INTEGER DEFAULT 0,last_requested INTEGER NOT NULL DEFAULT 0);
CREATE INDEX icon_mapping_page_url_idx ON icon_mapping(page_url);
CREATE INDEX icon_mapping_icon_id_idx ON icon_mapping(icon_id);
CREATE INDEX favicons_url ON favicons(url);
CREATE INDEX favicon_bitmaps_icon_id ON favicon_bitmaps(icon_id);
)sql";

constexpr std::string_view kFavicons6 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','6');
INSERT INTO meta VALUES('last_compatible_version','6');
CREATE TABLE icon_mapping(id INTEGER PRIMARY KEY,page_url LONGVARCHAR NOT NULL,icon_id INTEGER);
CREATE TABLE favicons(id INTEGER PRIMARY KEY,url LONGVARCHAR NOT NULL,icon_type INTEGER DEFAULT 1);
CREATE TABLE favicon_bitmaps(id INTEGER PRIMARY KEY,icon_id INTEGER NOT NULL,last_updated INTEGER DEFAULT 0,image_data BLOB,width INTEGER DEFAULT 0,height INTEGER DEFAULT 0);
CREATE INDEX icon_mapping_page_url_idx ON icon_mapping(page_url);
CREATE INDEX icon_mapping_icon_id_idx ON icon_mapping(icon_id);
CREATE INDEX favicons_url ON favicons(url);
CREATE INDEX favicon_bitmaps_icon_id ON favicon_bitmaps(icon_id);
)sql";

constexpr std::string_view kFaviconRows = R"sql(
INSERT INTO favicons VALUES (1,'https://kept.example/nivaro-kept-icon.png',1),(2,'https://gone.example/nivaro-gone-icon.png',1),
 (3,'https://orphan.example/nivaro-gone-orphan.ico',1);
INSERT INTO favicon_bitmaps(id,icon_id,last_updated,image_data,width,height) VALUES (1,1,1,x'4b45505421',16,16),
 (2,2,1,x'474f4e4521',16,16),(3,3,1,x'4f525048414e',16,16);
INSERT INTO icon_mapping VALUES (1,'https://kept.example/nivaro-kept-bookmark',1),(2,'https://gone.example/nivaro-gone-page',2),
 (3,'https://gone.example/nivaro-gone-other',1);
)sql";

// ---- Chromium Top Sites and Shortcuts ----------------------------------------------------------

constexpr std::string_view kTopSites5 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','5');
INSERT INTO meta VALUES('last_compatible_version','5');
CREATE TABLE top_sites(url LONGVARCHAR PRIMARY KEY,url_rank INTEGER,title LONGVARCHAR,redirects LONGVARCHAR);
INSERT INTO top_sites VALUES ('https://gone.example/nivaro-gone-top',0,'Gone','https://gone.example/nivaro-gone-top');
)sql";

constexpr std::string_view kTopSites3 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','3');
INSERT INTO meta VALUES('last_compatible_version','3');
CREATE TABLE thumbnails(url LONGVARCHAR PRIMARY KEY,url_rank INTEGER,title LONGVARCHAR,thumbnail BLOB,redirects LONGVARCHAR,boring_score DOUBLE DEFAULT 1.0,good_clipping INTEGER DEFAULT 0,at_top INTEGER DEFAULT 0,last_updated INTEGER DEFAULT 0,load_completed INTEGER DEFAULT 0,last_forced INTEGER DEFAULT 0);
INSERT INTO thumbnails(url,url_rank,title,thumbnail,redirects) VALUES ('https://gone.example/nivaro-gone-top',0,'Gone',x'00','https://gone.example/nivaro-gone-top');
)sql";

constexpr std::string_view kShortcuts = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','1');
CREATE TABLE omni_box_shortcuts (id VARCHAR PRIMARY KEY, text VARCHAR, fill_into_edit VARCHAR, url VARCHAR, document_type INTEGER, contents VARCHAR, contents_class VARCHAR, description VARCHAR, description_class VARCHAR, transition INTEGER, type INTEGER, keyword VARCHAR, last_access_time INTEGER, number_of_hits INTEGER);
INSERT INTO omni_box_shortcuts VALUES ('a','nivaro-gone-typed','https://gone.example/nivaro-gone-page','https://gone.example/nivaro-gone-page',0,'','','','',1,0,'',1,3);
)sql";

// ---- Chromium Cookies: version 24 (today, partitioned) and version 14 (2021) -------------------

constexpr std::string_view kCookies24 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('mmap_status','-1');
INSERT INTO meta VALUES('version','24');
INSERT INTO meta VALUES('last_compatible_version','24');
CREATE TABLE cookies(creation_utc INTEGER NOT NULL,host_key TEXT NOT NULL,top_frame_site_key TEXT NOT NULL,name TEXT NOT NULL,value TEXT NOT NULL,encrypted_value BLOB NOT NULL,path TEXT NOT NULL,expires_utc INTEGER NOT NULL,is_secure INTEGER NOT NULL,is_httponly INTEGER NOT NULL,last_access_utc INTEGER NOT NULL,has_expires INTEGER NOT NULL,is_persistent INTEGER NOT NULL,priority INTEGER NOT NULL,samesite INTEGER NOT NULL,source_scheme INTEGER NOT NULL,source_port INTEGER NOT NULL,last_update_utc INTEGER NOT NULL,source_type INTEGER NOT NULL,has_cross_site_ancestor INTEGER NOT NULL);
CREATE UNIQUE INDEX cookies_unique_index ON cookies(host_key, top_frame_site_key, has_cross_site_ancestor, name, path, source_scheme, source_port);
)sql";

constexpr std::string_view kCookies24Rows = R"sql(
INSERT INTO cookies VALUES
 (1,'www.kept.example','','session','nivaro-kept-1',x'','/',0,1,1,1,0,0,1,0,2,443,1,0,0),
 (2,'.kept.example','','pref','nivaro-kept-2',x'','/',0,1,1,1,0,0,1,0,2,443,1,0,0),
 (3,'kept.example','','login','nivaro-kept-3',x'','/',0,1,1,1,0,0,1,0,2,443,1,0,0),
 (4,'tracker.gone.example','https://kept.example','id','nivaro-kept-partitioned',x'','/',0,1,1,1,0,0,1,0,2,443,1,0,1),
 (5,'.gone.example','','id','nivaro-gone-domain',x'','/',0,1,1,1,0,0,1,0,2,443,1,0,0),
 (6,'tracker.gone.example','https://gone.example','id','nivaro-gone-partitioned',x'','/',0,1,1,1,0,0,1,0,2,443,1,0,1),
 (7,'notkept.example','','id','nivaro-gone-lookalike',x'','/',0,1,1,1,0,0,1,0,2,443,1,0,0);
)sql";

constexpr std::string_view kCookies14 = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('mmap_status','-1');
INSERT INTO meta VALUES('version','14');
INSERT INTO meta VALUES('last_compatible_version','14');
CREATE TABLE cookies(creation_utc INTEGER NOT NULL,host_key TEXT NOT NULL,name TEXT NOT NULL,value TEXT NOT NULL,path TEXT NOT NULL,expires_utc INTEGER NOT NULL,is_secure INTEGER NOT NULL,is_httponly INTEGER NOT NULL,last_access_utc INTEGER NOT NULL,has_expires INTEGER NOT NULL DEFAULT 1,is_persistent INTEGER NOT NULL DEFAULT 1,priority INTEGER NOT NULL DEFAULT 1,encrypted_value BLOB DEFAULT '',samesite INTEGER NOT NULL DEFAULT -1,source_scheme INTEGER NOT NULL DEFAULT 0,source_port INTEGER NOT NULL DEFAULT -1,is_same_party INTEGER NOT NULL DEFAULT 0,UNIQUE (host_key, name, path));
INSERT INTO cookies(creation_utc,host_key,name,value,path,expires_utc,is_secure,is_httponly,last_access_utc) VALUES
 (1,'www.kept.example','session','nivaro-kept-1','/',0,1,1,1),
 (2,'.kept.example','pref','nivaro-kept-2','/',0,1,1,1),
 (3,'kept.example','login','nivaro-kept-3','/',0,1,1,1),
 (5,'.gone.example','id','nivaro-gone-domain','/',0,1,1,1),
 (7,'notkept.example','id','nivaro-gone-lookalike','/',0,1,1,1);
)sql";

// ---- Chromium Web Data: autofill beside search engines and cards, today's and a decade older ---

constexpr std::string_view kWebDataCurrent = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','126');
CREATE TABLE autofill (name VARCHAR, value VARCHAR, value_lower VARCHAR, date_created INTEGER DEFAULT 0, date_last_used INTEGER DEFAULT 0, count INTEGER DEFAULT 1, PRIMARY KEY (name, value));
CREATE INDEX autofill_name ON autofill (name);
CREATE INDEX autofill_name_value_lower ON autofill (name, value_lower);
CREATE TABLE keywords (id INTEGER PRIMARY KEY,short_name VARCHAR NOT NULL,keyword VARCHAR NOT NULL,favicon_url VARCHAR NOT NULL,url VARCHAR NOT NULL,safe_for_autoreplace INTEGER,originating_url VARCHAR,date_created INTEGER DEFAULT 0,usage_count INTEGER DEFAULT 0,input_encodings VARCHAR,suggest_url VARCHAR,prepopulate_id INTEGER DEFAULT 0,created_by_policy INTEGER DEFAULT 0,last_modified INTEGER DEFAULT 0,sync_guid VARCHAR,alternate_urls VARCHAR,image_url VARCHAR,search_url_post_params VARCHAR,suggest_url_post_params VARCHAR,image_url_post_params VARCHAR,new_tab_url VARCHAR,last_visited INTEGER DEFAULT 0, created_from_play_api INTEGER DEFAULT 0, is_active INTEGER DEFAULT 0, starter_pack_id INTEGER DEFAULT 0, enforced_by_policy INTEGER DEFAULT 0, featured_by_policy INTEGER DEFAULT 0);
CREATE TABLE credit_cards (guid VARCHAR PRIMARY KEY, name_on_card VARCHAR, expiration_month INTEGER, expiration_year INTEGER, card_number_encrypted BLOB, date_modified INTEGER NOT NULL DEFAULT 0, origin VARCHAR DEFAULT '', use_count INTEGER NOT NULL DEFAULT 0, use_date INTEGER NOT NULL DEFAULT 0, billing_address_id VARCHAR, nickname VARCHAR);
CREATE TABLE addresses (guid VARCHAR PRIMARY KEY, use_count INTEGER NOT NULL DEFAULT 0, use_date INTEGER NOT NULL DEFAULT 0, date_modified INTEGER NOT NULL DEFAULT 0, language_code VARCHAR, label VARCHAR, initial_creator_id INTEGER DEFAULT 0, last_modifier_id INTEGER DEFAULT 0, record_type INTEGER);
INSERT INTO autofill VALUES ('email','nivaro-gone@example.org','nivaro-gone@example.org',1,2,3),('q','nivaro-gone search','nivaro-gone search',1,2,1);
INSERT INTO keywords(id,short_name,keyword,favicon_url,url,date_created,usage_count,sync_guid) VALUES
 (2,'nivaro-kept engine','kept','https://kept.example/favicon.ico','https://kept.example/?q={searchTerms}',1,5,'kept-guid');
INSERT INTO credit_cards VALUES ('card-guid','nivaro-kept card holder',12,2030,x'0102030405',1,'',2,3,'','nivaro-kept nickname');
INSERT INTO addresses VALUES ('address-guid',1,2,3,'en','nivaro-kept address',0,0,0);
)sql";

constexpr std::string_view kWebDataOlder = R"sql(
CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','50');
CREATE TABLE autofill (name VARCHAR, value VARCHAR, value_lower VARCHAR, pair_id INTEGER PRIMARY KEY, count INTEGER DEFAULT 1);
CREATE INDEX autofill_name ON autofill (name);
CREATE INDEX autofill_name_value_lower ON autofill (name, value_lower);
CREATE TABLE autofill_dates ( pair_id INTEGER DEFAULT 0, date_created INTEGER DEFAULT 0);
CREATE INDEX autofill_dates_pair_id ON autofill_dates (pair_id);
CREATE TABLE keywords (id INTEGER PRIMARY KEY,short_name VARCHAR NOT NULL,keyword VARCHAR NOT NULL,favicon_url VARCHAR NOT NULL,url VARCHAR NOT NULL,show_in_default_list INTEGER,safe_for_autoreplace INTEGER,originating_url VARCHAR,date_created INTEGER DEFAULT 0,usage_count INTEGER DEFAULT 0,input_encodings VARCHAR,suggest_url VARCHAR,prepopulate_id INTEGER DEFAULT 0,autogenerate_keyword INTEGER DEFAULT 0,logo_id INTEGER DEFAULT 0,created_by_policy INTEGER DEFAULT 0,instant_url VARCHAR,last_modified INTEGER DEFAULT 0,sync_guid VARCHAR);
CREATE TABLE credit_cards ( guid VARCHAR PRIMARY KEY, name_on_card VARCHAR, expiration_month INTEGER, expiration_year INTEGER, card_number_encrypted BLOB, date_modified INTEGER NOT NULL DEFAULT 0);
INSERT INTO autofill VALUES ('email','nivaro-gone@example.org','nivaro-gone@example.org',1,3),('q','nivaro-gone search','nivaro-gone search',2,1);
INSERT INTO autofill_dates VALUES (1,11),(1,12),(2,13);
INSERT INTO keywords(id,short_name,keyword,favicon_url,url,date_created,usage_count,sync_guid) VALUES
 (2,'nivaro-kept engine','kept','https://kept.example/favicon.ico','https://kept.example/?q={searchTerms}',1,5,'kept-guid');
INSERT INTO credit_cards VALUES ('card-guid','nivaro-kept card holder',12,2030,x'0102030405',1);
)sql";

// ---- Firefox places.sqlite: schema 77 (today) and schema 52 (Firefox 62-68) --------------------

constexpr std::string_view kPlaces77 = R"sql(
CREATE TABLE moz_origins ( id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, frecency INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host) );
CREATE TABLE moz_places ( id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER , guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL , description TEXT, preview_image_url TEXT, site_name TEXT, origin_id INTEGER REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_historyvisits ( id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date INTEGER, visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 NOT NULL, triggeringPlaceId INTEGER);
CREATE TABLE moz_inputhistory ( place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, use_count INTEGER, PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks ( id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE TABLE moz_bookmarks_deleted ( guid TEXT PRIMARY KEY, dateRemoved INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_keywords ( id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER, post_data TEXT);
CREATE TABLE moz_anno_attributes ( id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos ( id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID ;
CREATE TABLE moz_places_metadata ( id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, referrer_place_id INTEGER, created_at INTEGER NOT NULL DEFAULT 0, updated_at INTEGER NOT NULL DEFAULT 0, total_view_time INTEGER NOT NULL DEFAULT 0, typing_time INTEGER NOT NULL DEFAULT 0, key_presses INTEGER NOT NULL DEFAULT 0, scrolling_time INTEGER NOT NULL DEFAULT 0, scrolling_distance INTEGER NOT NULL DEFAULT 0, document_type INTEGER NOT NULL DEFAULT 0, search_query_id INTEGER);
CREATE TABLE moz_places_metadata_search_queries ( id INTEGER PRIMARY KEY, terms TEXT NOT NULL UNIQUE );
CREATE TABLE moz_previews_tombstones ( hash TEXT PRIMARY KEY ) WITHOUT ROWID;
CREATE TABLE moz_places_extra ( place_id INTEGER PRIMARY KEY NOT NULL, sync_json TEXT);
CREATE TABLE moz_historyvisits_extra ( visit_id INTEGER PRIMARY KEY NOT NULL, sync_json TEXT);
CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);
CREATE INDEX moz_places_hostindex ON moz_places (rev_host);
CREATE INDEX moz_places_visitcount ON moz_places (visit_count);
CREATE INDEX moz_places_frecencyindex ON moz_places (frecency);
CREATE INDEX moz_places_lastvisitdateindex ON moz_places (last_visit_date);
CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid);
CREATE INDEX moz_places_originidindex ON moz_places (origin_id);
CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);
CREATE INDEX moz_historyvisits_fromindex ON moz_historyvisits (from_visit);
CREATE INDEX moz_historyvisits_dateindex ON moz_historyvisits (visit_date);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);
CREATE INDEX moz_bookmarks_itemlastmodifiedindex ON moz_bookmarks (fk, lastModified);
CREATE INDEX moz_bookmarks_dateaddedindex ON moz_bookmarks (dateAdded);
CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);
CREATE UNIQUE INDEX moz_keywords_placepostdata_uniqueindex ON moz_keywords (place_id, post_data);
CREATE UNIQUE INDEX moz_annos_placeattributeindex ON moz_annos (place_id, anno_attribute_id);
INSERT INTO moz_meta VALUES ('origin_frecency_count', 3);
)sql";

constexpr std::string_view kPlaces52 = R"sql(
CREATE TABLE moz_origins ( id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, frecency INTEGER NOT NULL, UNIQUE (prefix, host) );
CREATE TABLE moz_places ( id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER , guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL , description TEXT, preview_image_url TEXT, origin_id INTEGER REFERENCES moz_origins(id));
CREATE TABLE moz_historyvisits ( id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date INTEGER, visit_type INTEGER, session INTEGER);
CREATE TABLE moz_inputhistory ( place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, use_count INTEGER, PRIMARY KEY (place_id, input));
CREATE TABLE moz_bookmarks ( id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT 1);
CREATE TABLE moz_bookmarks_deleted ( guid TEXT PRIMARY KEY, dateRemoved INTEGER NOT NULL DEFAULT 0);
CREATE TABLE moz_keywords ( id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER, post_data TEXT);
CREATE TABLE moz_anno_attributes ( id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL);
CREATE TABLE moz_annos ( id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_items_annos ( id INTEGER PRIMARY KEY, item_id INTEGER NOT NULL, anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0, lastModified INTEGER DEFAULT 0);
CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID ;
CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);
CREATE INDEX moz_places_hostindex ON moz_places (rev_host);
CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid);
CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);
CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);
CREATE UNIQUE INDEX moz_keywords_placepostdata_uniqueindex ON moz_keywords (place_id, post_data);
CREATE UNIQUE INDEX moz_annos_placeattributeindex ON moz_annos (place_id, anno_attribute_id);
INSERT INTO moz_items_annos VALUES (1,7,3,'nivaro-kept item note',0,4,3,1,1);
)sql";

// A bookmarked page, tagged; a keyword search; three visited pages; download annotations.
constexpr std::string_view kPlacesRows = R"sql(
INSERT INTO moz_origins(id,prefix,host,frecency) VALUES (1,'https://','kept.example',100),(2,'https://','gone.example',50),
 (3,'https://','search.example',10);
INSERT INTO moz_places(id,url,title,rev_host,visit_count,typed,frecency,last_visit_date,guid,foreign_count,url_hash,origin_id) VALUES
 (1,'https://kept.example/nivaro-kept-bookmark','Kept','elpmaxe.tpek.',3,1,100,1600000000000000,'placeguid001',2,1,1),
 (2,'https://gone.example/nivaro-gone-page','nivaro-gone title','elpmaxe.enog.',2,0,50,1600000000000001,'placeguid002',0,2,2),
 (3,'https://gone.example/nivaro-gone-long/' || hex(zeroblob(3000)),'Long','elpmaxe.enog.',1,0,20,1600000000000002,'placeguid003',0,3,2),
 (4,'https://gone.example/nivaro-gone-typed','Typed','elpmaxe.enog.',1,1,20,1600000000000003,'placeguid004',0,4,2),
 (5,'https://search.example/?q=%s','nivaro-kept keyword','elpmaxe.hcraes.',0,0,10,NULL,'placeguid005',1,5,3);
INSERT INTO moz_historyvisits(id,from_visit,place_id,visit_date,visit_type,session) VALUES
 (1,0,1,1600000000000000,1,0),(2,0,2,1600000000000001,1,0),(3,2,2,1600000000000005,1,0),(4,0,3,1600000000000002,7,0),
 (5,0,4,1600000000000003,2,0);
INSERT INTO moz_inputhistory VALUES (4,'nivaro-gone-typed',1.0);
INSERT INTO moz_bookmarks(id,type,fk,parent,position,title,dateAdded,lastModified,guid) VALUES
 (1,2,NULL,0,0,'',1,1,'root________'),(2,2,NULL,1,0,'menu',1,1,'menu________'),(3,2,NULL,1,1,'toolbar',1,1,'toolbar_____'),
 (4,2,NULL,1,2,'tags',1,1,'tags________'),(5,2,NULL,1,3,'unfiled',1,1,'unfiled_____'),
 (6,1,1,3,0,'nivaro-kept bookmark',2,2,'bookmarkguid'),(7,2,NULL,4,0,'nivaro-kept-tag',3,3,'tagfolderguid'),
 (8,1,1,7,0,NULL,3,3,'taggedguid01');
INSERT INTO moz_keywords(id,keyword,place_id,post_data) VALUES (1,'nivaro-kept-kw',5,NULL);
INSERT INTO moz_anno_attributes VALUES (1,'downloads/destinationFileURI'),(2,'downloads/metaData'),(3,'bookmarkProperties/description');
INSERT INTO moz_annos(id,place_id,anno_attribute_id,content,dateAdded,lastModified) VALUES
 (1,3,1,'file:///C:/Users/me/Downloads/nivaro-download.zip',1,1),(2,3,2,'{"state":1}',1,1),
 (3,1,3,'nivaro-kept page note',1,1);
)sql";

constexpr std::string_view kPlaces77Rows = R"sql(
INSERT INTO moz_places_metadata(id,place_id,created_at,updated_at,total_view_time) VALUES (1,2,1,2,3);
INSERT INTO moz_places_metadata_search_queries VALUES (1,'nivaro-gone-query');
INSERT INTO moz_historyvisits_extra VALUES (2,'{"nivaro-gone":1}');
INSERT INTO moz_places_extra VALUES (2,'{"nivaro-gone":1}'),(1,'{"nivaro-kept":1}');
)sql";

// ---- Firefox favicons.sqlite: today's and Firefox 55's --------------------------------------------

constexpr std::string_view kFirefoxFaviconsCurrent = R"sql(
CREATE TABLE moz_icons ( id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL, fixed_icon_url_hash INTEGER NOT NULL, width INTEGER NOT NULL DEFAULT 0, root INTEGER NOT NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0, flags INTEGER NOT NULL DEFAULT 0, data BLOB );
CREATE TABLE moz_pages_w_icons ( id INTEGER PRIMARY KEY, page_url TEXT NOT NULL, page_url_hash INTEGER NOT NULL );
CREATE TABLE moz_icons_to_pages ( page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL, expire_ms INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (page_id, icon_id) ) WITHOUT ROWID;
CREATE INDEX moz_icons_iconurlhashindex ON moz_icons (fixed_icon_url_hash);
CREATE INDEX moz_pages_w_icons_urlhashindex ON moz_pages_w_icons (page_url_hash);
)sql";

constexpr std::string_view kFirefoxFavicons55 = R"sql(
CREATE TABLE moz_icons ( id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL, fixed_icon_url_hash INTEGER NOT NULL, width INTEGER NOT NULL DEFAULT 0, root INTEGER NOT NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0, data BLOB );
CREATE TABLE moz_pages_w_icons ( id INTEGER PRIMARY KEY, page_url TEXT NOT NULL, page_url_hash INTEGER NOT NULL );
CREATE TABLE moz_icons_to_pages ( page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL, PRIMARY KEY (page_id, icon_id) ) WITHOUT ROWID;
)sql";

constexpr std::string_view kFirefoxFaviconRows = R"sql(
INSERT INTO moz_icons(id,icon_url,fixed_icon_url_hash,width,root,data) VALUES
 (1,'https://kept.example/nivaro-kept-icon.png',1,16,0,x'4b455054'),(2,'https://gone.example/nivaro-gone-icon.png',2,16,0,x'474f4e45'),
 (3,'https://kept.example/favicon.ico',3,16,1,x'524f4f54'),(4,'https://gone.example/favicon.ico?nivaro-gone-root',4,16,1,x'474f4e45');
INSERT INTO moz_pages_w_icons VALUES (1,'https://kept.example/nivaro-kept-bookmark',1),(2,'https://gone.example/nivaro-gone-page',2);
INSERT INTO moz_icons_to_pages(page_id,icon_id) VALUES (1,1),(2,2),(2,1);
)sql";

// ---- Firefox cookies.sqlite: today's (partitioned) and Firefox 68's ------------------------------

constexpr std::string_view kFirefoxCookiesCurrent = R"sql(
CREATE TABLE moz_cookies ( id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0, isPartitionedAttributeSet INTEGER DEFAULT 0, CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));
INSERT INTO moz_cookies(id,originAttributes,name,value,host,path,expiry,lastAccessed,creationTime,isSecure,isHttpOnly) VALUES
 (1,'','session','nivaro-kept-1','www.kept.example','/',2000000000,1,1,1,1),
 (2,'','pref','nivaro-kept-2','.kept.example','/',2000000000,1,1,1,0),
 (3,'^userContextId=1','login','nivaro-kept-3','kept.example','/',2000000000,1,1,1,1),
 (4,'^partitionKey=%28https%2Ckept.example%29','id','nivaro-kept-partitioned','tracker.gone.example','/',2000000000,1,1,1,0),
 (5,'','id','nivaro-gone-domain','.gone.example','/',2000000000,1,1,0,0),
 (6,'^partitionKey=%28https%2Cgone.example%29','id','nivaro-gone-partitioned','tracker.gone.example','/',2000000000,1,1,1,0),
 (7,'','id','nivaro-gone-lookalike','notkept.example','/',2000000000,1,1,0,0);
)sql";

constexpr std::string_view kFirefoxCookies68 = R"sql(
CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, baseDomain TEXT, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0, CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));
CREATE INDEX moz_basedomain ON moz_cookies (baseDomain, originAttributes);
INSERT INTO moz_cookies(id,baseDomain,originAttributes,name,value,host,path,expiry,lastAccessed,creationTime,isSecure,isHttpOnly) VALUES
 (1,'kept.example','','session','nivaro-kept-1','www.kept.example','/',2000000000,1,1,1,1),
 (2,'kept.example','','pref','nivaro-kept-2','.kept.example','/',2000000000,1,1,1,0),
 (3,'kept.example','^userContextId=1','login','nivaro-kept-3','kept.example','/',2000000000,1,1,1,1),
 (5,'gone.example','','id','nivaro-gone-domain','.gone.example','/',2000000000,1,1,0,0),
 (7,'notkept.example','','id','nivaro-gone-lookalike','notkept.example','/',2000000000,1,1,0,0);
)sql";

// ---- Firefox formhistory.sqlite: today's (with sources) and an older one ------------------------

constexpr std::string_view kFormHistoryCurrent = R"sql(
CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL, timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);
CREATE TABLE moz_deleted_formhistory (id INTEGER PRIMARY KEY, timeDeleted INTEGER, guid TEXT);
CREATE TABLE moz_sources (id INTEGER PRIMARY KEY, source TEXT NOT NULL);
CREATE TABLE moz_history_to_sources (history_id INTEGER, source_id INTEGER, PRIMARY KEY (history_id, source_id)) WITHOUT ROWID;
CREATE INDEX moz_formhistory_index ON moz_formhistory (fieldname);
INSERT INTO moz_formhistory VALUES (1,'searchbar-history','nivaro-gone search',2,1,2,'fhguid1'),(2,'email','nivaro-gone@example.org',1,1,1,'fhguid2');
INSERT INTO moz_sources VALUES (1,'https://gone.example/nivaro-gone-form');
INSERT INTO moz_history_to_sources VALUES (2,1);
)sql";

constexpr std::string_view kFormHistoryOlder = R"sql(
CREATE TABLE moz_formhistory (id INTEGER PRIMARY KEY, fieldname TEXT NOT NULL, value TEXT NOT NULL, timesUsed INTEGER, firstUsed INTEGER, lastUsed INTEGER, guid TEXT);
CREATE TABLE moz_deleted_formhistory (id INTEGER PRIMARY KEY, timeDeleted INTEGER, guid TEXT);
CREATE INDEX moz_formhistory_index ON moz_formhistory (fieldname);
INSERT INTO moz_formhistory VALUES (1,'searchbar-history','nivaro-gone search',2,1,2,'fhguid1'),(2,'email','nivaro-gone@example.org',1,1,1,'fhguid2');
)sql";

std::string Join(std::initializer_list<std::string_view> parts)
{
    std::string sql;
    for (std::string_view part : parts) {
        sql += part;
    }
    return sql;
}

bool Current(Generation generation)
{
    return generation == Generation::kCurrent;
}

Result<> Failed(std::string_view what, const Error& error)
{
    return Fail(error.number, FromUtf8(what) + L": " + error.description);
}

Result<SqliteConnection> OpenToWrite(const std::wstring& path)
{
    return SqliteConnection::Open(ToUtf8(path), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

}  // namespace

std::string ChromiumHistory(Generation generation)
{
    return Current(generation) ? Join({kHistory70, kHistoryRows, kHistory70Rows}) : Join({kHistory43, kHistoryRows, kHistory43Rows});
}

std::string ChromiumFavicons(Generation generation)
{
    return Join({Current(generation) ? kFavicons8 : kFavicons6, kFaviconRows});
}

std::string ChromiumTopSites(Generation generation)
{
    return std::string(Current(generation) ? kTopSites5 : kTopSites3);
}

std::string ChromiumShortcuts()
{
    return std::string(kShortcuts);
}

std::string ChromiumCookies(Generation generation)
{
    return Current(generation) ? Join({kCookies24, kCookies24Rows}) : std::string(kCookies14);
}

std::string_view ChromiumHistorySchema()
{
    return kHistory70;
}

std::string_view ChromiumCookiesSchema()
{
    return kCookies24;
}

std::string ChromiumWebData(Generation generation)
{
    return std::string(Current(generation) ? kWebDataCurrent : kWebDataOlder);
}

std::string FirefoxPlaces(Generation generation)
{
    return Current(generation) ? Join({kPlaces77, kPlacesRows, kPlaces77Rows}) : Join({kPlaces52, kPlacesRows});
}

std::string FirefoxFavicons(Generation generation)
{
    return Join({Current(generation) ? kFirefoxFaviconsCurrent : kFirefoxFavicons55, kFirefoxFaviconRows});
}

std::string FirefoxCookies(Generation generation)
{
    return std::string(Current(generation) ? kFirefoxCookiesCurrent : kFirefoxCookies68);
}

std::string FirefoxFormHistory(Generation generation)
{
    return std::string(Current(generation) ? kFormHistoryCurrent : kFormHistoryOlder);
}

std::string ChromiumBookmarksJson()
{
    return R"json({
 "checksum": "0",
 "roots": {
  "bookmark_bar": {"children": [
    {"date_added": "1", "guid": "a", "id": "5", "name": "Kept", "type": "url", "url": "https://kept.example/nivaro-kept-bookmark"}],
   "date_added": "1", "guid": "b", "id": "1", "name": "Bookmarks bar", "type": "folder"},
  "other": {"children": [], "id": "2", "name": "Other bookmarks", "type": "folder"},
  "synced": {"children": [], "id": "3", "name": "Mobile bookmarks", "type": "folder"}
 },
 "version": 1
})json";
}

Result<> MakeDatabase(const std::wstring& path, std::string_view sql, std::string_view journalMode)
{
    Result<SqliteConnection> db = OpenToWrite(path);
    if (!db) {
        return Failed("open", db.error());
    }
    if (Result<> made = db->Execute("PRAGMA journal_mode = " + std::string(journalMode) + "; BEGIN;" + std::string(sql) + "COMMIT;");
        !made) {
        return Failed("make", made.error());
    }
    return {};
}

Result<> MakeDatabaseWithPendingLog(const std::wstring& path, std::string_view sql, std::string_view afterwards)
{
    if (Result<> made = MakeDatabase(path, sql, "wal"); !made) {
        return made;
    }
    Result<SqliteConnection> db = OpenToWrite(path);
    if (!db) {
        return Failed("open", db.error());
    }
    int off = 1;
    ::sqlite3_db_config(db->Get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &off);
    if (Result<> done = db->Execute("PRAGMA wal_autocheckpoint = 0; BEGIN;" + std::string(afterwards) + "COMMIT;"); !done) {
        return Failed("write the log", done.error());
    }
    return {};
}

Result<std::vector<std::string>> Dump(const std::wstring& path, std::string_view query)
{
    Result<SqliteConnection> db = SqliteConnection::Open(ToUtf8(path), SQLITE_OPEN_READONLY);
    if (!db) {
        return std::unexpected(db.error());
    }
    sqlite3_stmt* raw = nullptr;
    if (const int code = ::sqlite3_prepare_v2(db->Get(), query.data(), static_cast<int>(query.size()), &raw, nullptr);
        code != SQLITE_OK) {
        return std::unexpected(SqliteError(db->Get(), code));
    }
    std::vector<std::string> rows;
    while (::sqlite3_step(raw) == SQLITE_ROW) {
        std::string row;
        for (int column = 0; column < ::sqlite3_column_count(raw); ++column) {
            const auto* bytes = static_cast<const char*>(::sqlite3_column_blob(raw, column));
            row += std::to_string(::sqlite3_column_type(raw, column)) + ":";
            row.append(bytes == nullptr ? "" : bytes, static_cast<std::size_t>(::sqlite3_column_bytes(raw, column)));
            row += "|";
        }
        rows.push_back(std::move(row));
    }
    ::sqlite3_finalize(raw);
    return rows;
}

Result<std::int64_t> Number(const std::wstring& path, std::string_view query)
{
    Result<SqliteConnection> db = SqliteConnection::Open(ToUtf8(path), SQLITE_OPEN_READONLY);
    if (!db) {
        return std::unexpected(db.error());
    }
    Result<std::optional<std::int64_t>> value = db->QueryInt(query);
    if (!value) {
        return std::unexpected(value.error());
    }
    return value->value_or(-1);
}

ExclusiveDatabaseHold::ExclusiveDatabaseHold(const std::wstring& path)
{
    sqlite3* db = nullptr;
    if (::sqlite3_open_v2(ToUtf8(path).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        ::sqlite3_close_v2(db);
        return;
    }
    connection_ = db;
    holding_ = ::sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr,
                              nullptr) == SQLITE_OK;
}

ExclusiveDatabaseHold::~ExclusiveDatabaseHold()
{
    ::sqlite3_close_v2(static_cast<sqlite3*>(connection_));
}

}  // namespace nivaro::test
